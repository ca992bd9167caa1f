// /proc/meminfo, /proc/vmstat and zram's mm_stat: memory figures, read every cycle.
#include "Platform/Kernel/MemInfoReader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    MemInfo info;
    MemInfoReader::parseMemInfo(text, info);
    SwapPaging paging;
    MemInfoReader::parsePaging(text, paging);
    (void)MemInfoReader::parseZramCompressed(text);
    return 0;
}
