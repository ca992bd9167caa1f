#pragma once

// Qt's raster engine splits a fill of more than about a hundred spans into jobs for the global
// thread pool and waits for them, unless the painting thread belongs to that pool. The agent's
// repaints are a few small rectangles a second: handing them to other threads and waiting costs
// it several times what the painting does (wake-ups, switches, cold caches on other cores).
// install() makes the main thread count as one of the global pool's threads, so the engine paints
// there directly. Threads of any other pool, and other threads, are answered as before.
namespace SerialPainting {

void install();
bool installed();

} // namespace SerialPainting
