// Kernel CPU lists ("0-7,16") as sysfs gives them for core kinds and online processors.
#include "Platform/Kernel/CpuTopologySource.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString list = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto count = CpuTopologySource::countInCpuList(list);
    const auto cpus = CpuTopologySource::cpusInList(list);
    // Both read the same syntax, so they must agree on what is a list.
    if (count.has_value() != cpus.has_value())
        __builtin_trap();
    return 0;
}
