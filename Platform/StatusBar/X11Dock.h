#pragma once

#include <QList>
#include <QRect>

#include <optional>

class QWidget;

// What an X11 window manager needs to treat our bar's windows as a panel: the dock window type,
// a place on every desktop, and the strip along the top edge they reserve (the partial strut),
// so that maximised windows start below them. Also what other panels reserve, which is where our
// bar goes instead of over them. Everything here does nothing outside X11.
namespace X11Dock {

// Marks the window as a dock on every desktop; call before it is first shown.
void makeDock(QWidget& window);
// Reserves the strip from the top of the X screen down to the window's lower edge, across the
// window's width (`frame`, in Qt's screen coordinates).
void reserveTop(QWidget& window, const QRect& frame);
// How far down from the top of `screen` (Qt's screen coordinates) the struts of windows other
// than `ours` reach, in Qt's coordinates; 0 when none does, none outside X11.
std::optional<int> topReservedByOthers(const QRect& screen, double devicePixelRatio, const QList<QWidget*>& ours);

} // namespace X11Dock
