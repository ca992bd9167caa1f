// Per-process files: <pid>/stat (the command name in it is chosen by whoever started the process),
// the btime line of /proc/stat, and <pid>/environ.
#include "Platform/Kernel/ProcessEnvironment.h"
#include "Platform/Kernel/ProcessTable.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView text(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)ProcessTable::startTicks(text);
    (void)ProcessTable::bootTimeFromStat(text);
    static const QStringList names {QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("XDG_RUNTIME_DIR"),
        QStringLiteral("VANTOR_SETTINGS_SUITE")};
    (void)ProcessEnvironment::parse(text, names);
    return 0;
}
