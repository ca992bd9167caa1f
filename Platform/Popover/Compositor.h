#pragma once

// Whether the desktop composites windows, so that a window's translucent pixels show what lies
// behind it. Without a compositor they would show as black.
namespace Compositor {
bool isRunning();
} // namespace Compositor
