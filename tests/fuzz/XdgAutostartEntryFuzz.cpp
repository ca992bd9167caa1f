// Autostart entries are files the user and the desktop's tools edit; reading one must never crash,
// and any path the writer accepts must read back unchanged.
#include "Platform/LoginItems/XdgAutostartService.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    XdgAutostartService::readEntryText(bytes);

    const QString program = QStringLiteral("/") + QString::fromUtf8(bytes);
    const auto text = XdgAutostartService::entryText(QStringLiteral("fuzz"), program, QStringLiteral("Fuzz"));
    if (text && XdgAutostartService::readEntryText(*text).program != program)
        std::abort();
    return 0;
}
