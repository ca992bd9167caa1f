#pragma once

#include <QAbstractButton>

#include <functional>

// The window's on/off switch. Bound to one Boolean of the shared store, it shows what `read` says
// and writes the key when the user flips it, re-reading after every change of the store made
// here. Unbound, it is a plain checkable button for a state kept elsewhere (the login item, the
// running agent), so every switch of the window looks and behaves alike.
class SwitchButton : public QAbstractButton {
    Q_OBJECT
public:
    SwitchButton(const QString& key, std::function<bool()> read, QWidget* parent = nullptr);
    explicit SwitchButton(QWidget* parent = nullptr);

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
