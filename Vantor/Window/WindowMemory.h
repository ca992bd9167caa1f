#pragma once

#include "Vantor/Window/WindowStateFile.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QTimer>

#include <optional>

class QWidget;

// Remembers where the settings window is, for the screens attached now: its size and place, and
// whether it is maximised or minimised. The window comes back there at the next start; a
// relaunch (after a language change) also keeps it minimised, while a start by the user always
// shows it. Changes are saved shortly after the user stops moving or resizing, and at once when
// the window closes or the app quits.
class WindowMemory : public QObject {
    Q_OBJECT
public:
    static constexpr int saveDelayMs = 300;

    WindowMemory(QWidget* window, WindowStateFile file = WindowStateFile(), QObject* parent = nullptr);
    ~WindowMemory() override;

    // Places the window before it is first shown: where it was, when that place is still on one of
    // the screens, else `preferredSize` (made to fit the screen) centred on the primary screen.
    // `keepMinimized`: a window that was minimised is shown minimised.
    void restore(QSize preferredSize, bool keepMinimized);
    // Writes the window's placement now.
    void save();
    std::optional<WindowStateFile::Placement> currentPlacement() const;

    // A remembered inside rectangle, when enough of its top (where the desktop draws the title
    // bar) lies on one of `areas` to grab it; made small enough to fit that area.
    static std::optional<QRect> fitted(const QRect& remembered, const QList<QRect>& areas);
    // `preferred`, no larger than `area` leaves room for (the desktop's frame needs some), centred
    // in it.
    static QRect centred(QSize preferred, const QRect& area);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    WindowStateFile m_file;
    QTimer m_pending;
    // Nothing is saved for a window that was never on screen.
    bool m_shown = false;
};
