// The mount table and the label links' names, fed arbitrary bytes.
#include "Platform/Storage/RootVolume.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)RootVolume::parseRootMount(text);
    (void)RootVolume::decodeLabel(text);
    return 0;
}
