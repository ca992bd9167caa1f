#pragma once

#include "Platform/Kernel/ProcFile.h"

#include <QString>

#include <vector>

// The figures of /proc/meminfo that the memory readings are built from, in bytes. Fields an older
// kernel does not write stay 0.
struct MemInfo {
    quint64 memTotal = 0;
    quint64 memFree = 0;
    // What the kernel estimates can be given to programs without swapping; kernels before 3.14
    // do not write it (hasMemAvailable false).
    quint64 memAvailable = 0;
    bool hasMemAvailable = false;
    quint64 buffers = 0;
    quint64 cached = 0;
    quint64 sReclaimable = 0;
    quint64 sUnreclaim = 0;
    quint64 kernelStack = 0;
    quint64 pageTables = 0;
    quint64 secPageTables = 0;
    quint64 percpu = 0;
    quint64 anonPages = 0;
    quint64 shmem = 0;
    quint64 zswap = 0;
    quint64 swapTotal = 0;
    quint64 swapFree = 0;
    bool operator==(const MemInfo&) const = default;
};

// Pages swapped in and out since boot, from /proc/vmstat.
struct SwapPaging {
    quint64 pagesIn = 0;
    quint64 pagesOut = 0;
    bool operator==(const SwapPaging&) const = default;
};

// Reads memory composition, swap paging and the compressed size of zram swap devices. The files
// are opened once; the zram devices present when the reader is made are the ones it follows.
class MemInfoReader {
public:
    explicit MemInfoReader(
        const QString& procRoot = QStringLiteral("/proc"), const QString& sysRoot = QStringLiteral("/sys"));

    // False, with `info` untouched, when the file cannot be read or has no MemTotal.
    bool readMemInfo(MemInfo& info);
    // False when the file cannot be read or lacks either counter.
    bool readPaging(SwapPaging& paging);
    // The compressed data held by all zram devices, in bytes; devices that cannot be read count 0.
    quint64 zramCompressedBytes();
    int zramDeviceCount() const { return int(m_zram.size()); }

    static bool parseMemInfo(std::string_view text, MemInfo& info);
    static bool parsePaging(std::string_view text, SwapPaging& paging);
    // The second field of a zram device's mm_stat (compr_data_size).
    static std::optional<quint64> parseZramCompressed(std::string_view text);

private:
    ProcFile m_meminfo;
    ProcFile m_vmstat;
    std::vector<ProcFile> m_zram;
};
