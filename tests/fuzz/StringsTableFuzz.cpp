// Localizable.strings files come from the bundle on disk, which a user or a broken update can change.
#include "Platform/Bundles/StringsTable.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const StringsTable table = StringsTable::parse(bytes, QStringLiteral("fuzz.strings"));
    (void)table;
    return 0;
}
