// Feeds arbitrary bytes to the update feed parser and the choice of the newest release: neither
// may crash, hang or hand back an item that the installer would then trust without checking.

#include "Platform/Updates/Appcast.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray xml = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const auto items = Appcast::parse(xml, &error);
    if (!items)
        return 0;
    if (const auto newest = Appcast::newestValidItem(*items)) {
        // Whatever is chosen must pass the same checks on its own.
        if (!Appcast::isValid(*newest) || newest->contentLength <= 0 || newest->versionString.isEmpty())
            std::abort();
    }
    return 0;
}
