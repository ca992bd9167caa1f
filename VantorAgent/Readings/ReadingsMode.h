#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

class SystemMonitor;

// `VantorAgent --readings [--proc-root DIR] [--sys-root DIR]`: samples the machine for two
// refresh intervals with every reader at work (as if every popover were open), prints every
// reading as one JSON document and exits. No window, no status items, no settings written, and
// it may run beside a running agent.
namespace ReadingsMode {

struct Options {
    bool requested = false;
    QString procRoot = QStringLiteral("/proc");
    QString sysRoot = QStringLiteral("/sys");
    // Set when the arguments cannot be followed; the mode then prints it and fails.
    QString error;
};

// Reads the options from the arguments after the program name.
Options parse(const QStringList& arguments);
// Whether the arguments ask for this mode (before any application object exists).
bool requested(int argc, char* argv[]);

// Brings every reading of `monitor` up to date: opens the detail of all four sections, then
// samples for two refresh intervals of `interval` seconds with a process scan in each. Needs a
// running application object; returns when done (at most a few seconds beyond the intervals).
void sample(SystemMonitor& monitor, double interval);

// The whole mode: makes its own application object; the exit status of the program.
int run(int argc, char* argv[], FILE* out = stdout, FILE* err = stderr);

} // namespace ReadingsMode
