// The graphics domain of the sampling engine.
#include "VantorAgent/Sampling/SystemMonitor.h"

#include "Platform/Graphics/GraphicsAccelerators.h"
#include "VantorAgent/Sampling/GpuStatistics.h"

void SystemMonitor::readGPU()
{
    QList<QVariantMap> accelerators;
    if (m_sources.acceleratorStatistics) {
        accelerators = m_sources.acceleratorStatistics();
    } else {
        if (!m_accelerators)
            m_accelerators = std::make_unique<GraphicsAccelerators>(m_sources.sysRoot);
        accelerators = m_accelerators->statistics();
    }
    // No accelerator to ask (or every one asleep): what was shown stays.
    if (accelerators.isEmpty())
        return;

    using namespace Qt::Literals::StringLiterals;
    const QVariantMap statistics = GpuStatistics::merged(accelerators);
    assign(m_gpuUsage,
        GpuStatistics::utilization(statistics,
            {"Device Utilization %"_L1, "Device Utilization"_L1, "GPU Activity(%)"_L1, "GPU Core Utilization"_L1}),
        gpuChange);
    assign(m_gpuRendererUsage,
        GpuStatistics::utilization(statistics, {"Renderer Utilization %"_L1, "Renderer Utilization"_L1}), gpuChange);
    assign(m_gpuTilerUsage, GpuStatistics::utilization(statistics, {"Tiler Utilization %"_L1, "Tiler Utilization"_L1}),
        gpuChange);
    assign(m_gpuAllocatedMemory,
        GpuStatistics::bytes(statistics, {"Alloc system memory"_L1, "Allocated System Memory"_L1, "gartUsedBytes"_L1}),
        gpuChange);
    assign(m_gpuInUseMemory,
        GpuStatistics::bytes(
            statistics, {"In use system memory"_L1, "In Use System Memory"_L1, "inUseSysMemoryBytes"_L1}),
        gpuChange);
}
