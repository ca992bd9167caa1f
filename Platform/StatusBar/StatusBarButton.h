#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

class StatusBarWindow;

// The clickable surface of a status item. It draws nothing itself; the item's content is added to
// it as child widgets, which it keeps filling its bounds as it resizes.
//
// A left click sends the action to its target, on mouse-down or (by default) on release inside
// the button. A press with the reorder modifier held is not a click: it is left to the item's
// window, which lets the user drag the item to another place in the bar.
class StatusBarButton : public QWidget {
    Q_OBJECT
public:
    using Action = std::function<void(StatusBarButton* sender)>;
    // The modifier that turns a press on an item into a drag of the item.
    static constexpr Qt::KeyboardModifier reorderModifier = Qt::ControlModifier;

    explicit StatusBarButton(QWidget* parent = nullptr);

    // The action runs only while `target` exists.
    void setAction(QObject* target, Action action);
    void setSendsActionOnLeftMouseDown(bool onMouseDown) { m_onMouseDown = onMouseDown; }
    bool sendsActionOnLeftMouseDown() const { return m_onMouseDown; }

    void setAccessibilityLabel(const QString& label) { setAccessibleName(label); }
    QString accessibilityLabel() const { return accessibleName(); }

    // The button's own coordinate space.
    QRect bounds() const { return rect(); }
    // The window that holds the button; none until the platform gives it one.
    StatusBarWindow* statusWindow() const { return m_window; }
    void setStatusWindow(StatusBarWindow* window) { m_window = window; }

    // Sends the action as a click would.
    void performClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPointer<QObject> m_target;
    Action m_action;
    bool m_onMouseDown = false;
    bool m_pressed = false;
    StatusBarWindow* m_window = nullptr;
};
