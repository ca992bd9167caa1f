// /proc/stat: processor counters, read every cycle.
#include "Platform/Kernel/ProcStatReader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CpuTimes whole;
    std::vector<CpuTimes> cores;
    std::vector<int> numbers;
    ProcStatReader::parse(text, whole, cores, &numbers);
    ProcStatReader::parse(text, whole, cores, nullptr);
    return 0;
}
