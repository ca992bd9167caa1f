#pragma once

#include "Platform/Kernel/ProcFile.h"

#include <QString>

#include <optional>

// The share of the last ten seconds in which some tasks, or all tasks, were stalled waiting for
// memory, in percent.
struct PressureStalls {
    double someAvg10 = 0;
    double fullAvg10 = 0;
    bool operator==(const PressureStalls&) const = default;
};

// Reads <procRoot>/pressure/memory (pressure stall information).
class PressureReader {
public:
    explicit PressureReader(const QString& procRoot = QStringLiteral("/proc"));

    // None when the file is missing (kernels without pressure accounting) or unreadable.
    std::optional<PressureStalls> read();

    // A missing "full" line counts as no full stall; a missing or malformed "some" line is none.
    static std::optional<PressureStalls> parse(std::string_view text);

private:
    ProcFile m_file;
};
