// Desktop entries come from any package and any user; reading one must never crash.
#include "Platform/Desktop/DesktopApplications.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto entry = DesktopApplications::parse(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (entry)
        (void)entry->program.size();
    return 0;
}
