// The memory domain of the sampling engine: composition, paging, swap and pressure.
#include "VantorAgent/Sampling/SystemMonitor.h"

#include "VantorAgent/Sampling/CounterMath.h"
#include "VantorShared/Meters/ReadoutSources.h"

#include <algorithm>

using namespace CounterMath;

double SystemMonitor::memoryUsage() const
{
    if (m_totalMemory == 0)
        return 0;
    return std::min(1.0, double(m_usedMemory) / double(m_totalMemory));
}

double SystemMonitor::memoryPressure() const
{
    if (m_totalMemory == 0)
        return 0;
    return std::min(1.0, double(saturatingAdd(m_wiredMemory, m_compressedMemory)) / double(m_totalMemory));
}

// MARK: Memory

void SystemMonitor::readMemory(double elapsed)
{
    m_memInfoRead = m_memInfo.readMemInfo(m_memInfoSnapshot);
    if (!m_memInfoRead)
        return;
    const MemInfo& info = m_memInfoSnapshot;

    // How the kernel's figures map onto the memory composition:
    //   used       = MemTotal − MemAvailable, the figure `free` and the desktop's monitors show:
    //                everything the kernel could not hand to a program without swapping
    //   wired      = SUnreclaim + KernelStack + PageTables + SecPageTables + Percpu
    //                (memory the kernel holds and cannot reclaim)
    //   compressed = Zswap + the compressed data of every zram device
    //   active     = used − wired − compressed, never below 0 ("App Memory": the rest of what is
    //                in use; beside anonymous and shared pages it holds kernel memory that no
    //                meminfo field names and page cache the kernel cannot drop)
    //   cache      = Cached + Buffers + SReclaimable − Shmem, never below 0 (file cache and
    //                reclaimable kernel caches; shared memory is counted in Cached but is not
    //                cache, it is in use)
    // so that used = wired + compressed + active whenever the kernel's own memory and the
    // compressed data fit in what is in use.
    const quint64 wired = saturatingAdd(saturatingAdd(info.sUnreclaim, info.kernelStack),
        saturatingAdd(saturatingAdd(info.pageTables, info.secPageTables), info.percpu));
    const quint64 compressed = saturatingAdd(info.zswap, m_memInfo.zramCompressedBytes());
    const quint64 cacheAndShmem = saturatingAdd(saturatingAdd(info.cached, info.buffers), info.sReclaimable);
    const quint64 cache = growth(cacheAndShmem, info.shmem);
    // Kernels before 3.14 do not estimate what is available; free memory plus the cache the
    // kernel can drop is what that estimate is built from.
    const quint64 available = info.hasMemAvailable ? info.memAvailable : saturatingAdd(info.memFree, cache);
    const quint64 used = std::min(m_totalMemory, growth(info.memTotal, available));
    const quint64 active = growth(used, saturatingAdd(wired, compressed));
    assign(m_wiredMemory, wired, memoryChange);
    assign(m_compressedMemory, compressed, memoryChange);
    assign(m_activeMemory, active, memoryChange);
    assign(m_cacheMemory, cache, memoryChange);

    SwapPaging paging;
    if (m_memInfo.readPaging(paging)) {
        const quint64 ins = saturatingMultiply(paging.pagesIn, m_pageSize);
        const quint64 outs = saturatingMultiply(paging.pagesOut, m_pageSize);
        if (m_previousPageIns && m_previousPageOuts) {
            assign(m_pageInsPerSecond, perSecond(growth(ins, *m_previousPageIns), elapsed), memoryChange);
            assign(m_pageOutsPerSecond, perSecond(growth(outs, *m_previousPageOuts), elapsed), memoryChange);
        }
        m_previousPageIns = ins;
        m_previousPageOuts = outs;
    } else {
        // Without this cycle's counters the next difference would span two cycles; start over.
        m_previousPageIns.reset();
        m_previousPageOuts.reset();
    }

    assign(m_memoryPressureLevel, ::memoryPressureLevel(m_pressure.read()), memoryChange);
    assign(m_usedMemory, used, memoryChange);
}

void SystemMonitor::readSwap()
{
    // The swap figures come from the same read of the memory counters.
    if (!m_memInfoRead)
        return;
    assign(m_swapTotal, m_memInfoSnapshot.swapTotal, memoryChange);
    assign(m_swapUsed, growth(m_memInfoSnapshot.swapTotal, m_memInfoSnapshot.swapFree), memoryChange);
    // The swap readout is available once swap has been configured while the agent runs; one
    // switched off later keeps its place rather than making the meter change its width.
    if (m_swapTotal > 0 && m_readoutSourcesLease.held && !ReadoutSources::current().swap) {
        ReadoutSources sources = ReadoutSources::current();
        sources.swap = true;
        ReadoutSources::setCurrent(sources);
    }
}
