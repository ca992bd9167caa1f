#pragma once

#include <QPoint>

#include <optional>

// Where the user clicked a tray item, as the tray host reported it.
//
// A host that activates an item passes the screen position of the click with the call, and the
// popover should open there; Qt's tray support delivers the activation but drops the position. So
// the position is read off the incoming call just before Qt delivers it (through QtDBus's
// message-spy hook, which runs on the main thread ahead of delivery), and taken by the handler
// of that same activation.
namespace TrayClickPosition {

// Starts listening; once per process, later calls do nothing.
void install();
// The position of the latest activation call, if it came within the last second and carried one
// (some hosts send 0, 0 when they do not know). Taking it clears it.
std::optional<QPoint> take();
// For tests: record an activation as if it had arrived.
void record(int x, int y);

} // namespace TrayClickPosition
