#pragma once

#include <QObject>
#include <QPoint>

#include <functional>

class QWidget;

// Watches for clicks that should close an open popover. The local monitor sees every left or
// right mouse press in this application's own windows (the event goes on unchanged). A click in
// another application is not visible to us; it shows as this application losing the activation,
// and the global monitor reports the pointer position at that moment.
class MouseMonitors : public QObject {
    Q_OBJECT
public:
    // `local` gets the press position on screen and the top-level window pressed in.
    using Local = std::function<void(const QPoint& screenPosition, QWidget* window)>;
    using Global = std::function<void(const QPoint& screenPosition)>;
    // Where the pointer is; tests give their own.
    using PointerPosition = std::function<QPoint()>;

    MouseMonitors(Local local, Global global, QObject* parent = nullptr);
    ~MouseMonitors() override;

    void setPointerPosition(PointerPosition position) { m_pointer = std::move(position); }
    // As the application losing the activation would.
    void applicationDeactivated();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Local m_local;
    Global m_global;
    PointerPosition m_pointer;
};
