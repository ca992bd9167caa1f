// The graphics cards' sysfs attribute values, fed arbitrary bytes.
#include "Platform/Graphics/DrmCards.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)DrmCards::parseValue(text);
    (void)DrmCards::parseHex(text);
    (void)DrmCards::isSuspended(text);
    return 0;
}
