#pragma once

#include <QAbstractButton>

#include <functional>

// An on/off switch bound to one Boolean of the shared store. It shows what `read` says and writes
// the key when the user flips it; it re-reads after every change of the store made here.
class SwitchButton : public QAbstractButton {
    Q_OBJECT
public:
    SwitchButton(const QString& key, std::function<bool()> read, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    // Reads the store again.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override;

private:
    QString m_key;
    std::function<bool()> m_read;
};
