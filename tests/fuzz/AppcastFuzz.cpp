// Feeds arbitrary bytes to the update feed parser and the choice of the newest release: neither
// may crash, hang or hand back an item that the installer would then trust without checking.

#include "Platform/Updates/Appcast.h"

#include <QByteArray>
#include <QUrl>

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
    static const QUrl feed(QStringLiteral("https://updates.example.org/appcast.xml"));
    if (const auto newest = Appcast::newestValidItem(*items, feed)) {
        // Whatever is chosen must pass the same checks on its own, and come over https.
        if (!Appcast::isValid(*newest, feed) || newest->contentLength <= 0 || newest->versionString.isEmpty()
            || newest->fileURL.scheme() != QLatin1String("https"))
            std::abort();
    }
    return 0;
}
