// Info.plist of a bundle: read at every launch, and of any bundle the programs look at.
#include "Platform/Bundles/Bundle.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto map = Bundle::parsePropertyList(bytes))
        (void)map->size();
    return 0;
}
