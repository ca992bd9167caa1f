#pragma once

#include "VantorShared/Settings/SignalListener.h"

#include <QString>
#include <QWidget>

#include <optional>

class QLabel;
class QToolButton;

// The sidebar's notice of an update the agent has found: a symbol, "Update available" with the
// offered version, and an "Install" button that asks the agent to run the update. The row takes
// no space at all while there is no offer newer than this app.
class UpdateOfferRow : public QWidget {
    Q_OBJECT
public:
    explicit UpdateOfferRow(QWidget* parent = nullptr);
    ~UpdateOfferRow() override;

    // Reads the published offer; none when there is none or this app already has its build.
    void read();
    std::optional<QString> offer() const { return m_offer; }

    // Why this installation does not update itself, in the interface language, for the general
    // page to show beside the update settings; empty when it does. `appBundlePath` defaults to
    // this app's own bundle.
    static QString installationNote(const QString& appBundlePath = {});

    QToolButton* installButton() const { return m_install; }
    QLabel* offerLabel() const { return m_offerLabel; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateSymbol();
    void applyColours();

    std::optional<QString> m_offer;
    SignalListener m_signals;
    bool m_listening = false;
    QWidget* m_content = nullptr;
    QLabel* m_symbol = nullptr;
    QLabel* m_offerLabel = nullptr;
    QToolButton* m_install = nullptr;
};
