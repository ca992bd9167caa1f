// The parsers of a process's /proc files, fed arbitrary bytes.
#include "Platform/Kernel/ProcessUsageReader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto stat = ProcessUsageReader::parseStat(text)) {
        // The command name must lie inside the input.
        if (stat->command.data() < text.data() || stat->command.data() + stat->command.size() > text.data() + size)
            __builtin_trap();
        (void)ProcessUsageReader::displayName(stat->command, ProcessUsageReader::programName(text));
    }
    (void)ProcessUsageReader::parseUptimeTicks(text, 100);
    (void)ProcessUsageReader::parseIo(text);
    return 0;
}
