#pragma once

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>

class QScreen;

// The window a popover shows its content in: frameless, above other windows, without a taskbar
// entry or animation, placed under the rectangle it belongs to (horizontally centred on it and
// kept inside the screen). It is closed by the application, never by a click elsewhere; a close
// request (the window manager's, or a quitting application's) closes it the same way. didClose()
// tells when it was.
class PopoverWindow : public QWidget {
    Q_OBJECT
public:
    PopoverWindow();
    ~PopoverWindow() override;

    // Takes ownership of `content`, replacing (and deleting) what was there.
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }
    // Lets go of the content, which is deleted on the next turn of the event loop; a closed
    // popover holds no view hierarchy.
    void releaseContent();

    // Shows the window with its top edge at the bottom of `anchor` (screen coordinates), centred
    // on it horizontally, and takes the keyboard focus so that the desktop tells the application
    // when the user turns to another one.
    void showBelow(const QRect& anchor);
    // Shows the window hanging from `point` (screen coordinates), centred on it horizontally.
    void showAt(const QPoint& point);
    bool isShown() const { return m_shown; }
    // Hides the window and sends didClose(); nothing when it is not shown.
    void close();
    // The window's frame in screen coordinates.
    QRect frame() const { return geometry(); }
    // Sets the window flags and attributes a popover needs; done at creation, and again by the
    // owner after showing (some desktops drop hints of windows that were mapped before).
    void applyWindowPolicy();

    // The top-left corner for a window of `size` under `anchor` inside `available` (a screen's
    // usable area): centred on the anchor, moved in from the screen's edges.
    static QPoint placement(const QRect& anchor, const QSize& size, const QRect& available);

signals:
    void didClose();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Escape closes, as it does for every menu and popup on the desktop.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void present(const QRect& anchor);
    void keepOnAllDesktops();

    QPointer<QWidget> m_content;
    bool m_shown = false;
};
