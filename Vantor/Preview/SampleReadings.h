#pragma once

#include "VantorShared/Meters/MenuBarReadings.h"
#include "VantorShared/System/CoreTopology.h"

// Fixed, plausible values for the preview's meters, so every style and readout has something to
// show. The core values are laid out like the live ones: the fastest tier's cores last.
class SampleReadings : public MenuBarReadings {
    Q_OBJECT
public:
    // For this machine's processor.
    explicit SampleReadings(QObject* parent = nullptr);
    SampleReadings(int totalCores, const QList<CoreTier>& tiers, QObject* parent = nullptr);

    double cpuUsage() const override { return 0.42; }
    const QList<double>& coreUsages() const override { return m_cores; }
    int performanceCoreCount() const override { return m_performanceCores; }
    const QList<double>& cpuHistory() const override { return m_history; }
    std::optional<double> cpuTemperature() const override { return 48.0; }
    std::optional<double> cpuWatts() const override { return 12.0; }
    std::optional<double> gpuTemperature() const override { return 41.0; }
    std::optional<double> hottestCelsius() const override { return 52.0; }
    std::optional<double> fastestFanRPM() const override { return 1240.0; }
    std::optional<double> systemWatts() const override { return 24.0; }
    double memoryUsage() const override { return 0.64; }
    double memoryPressure() const override { return 0.31; }
    quint64 swapUsed() const override { return 1'288'490'189; }
    double storageUsage() const override { return 0.58; }
    qint64 availableStorage() const override { return 442'381'631'488; }

private:
    QList<double> m_cores;
    QList<double> m_history;
    int m_performanceCores = 0;
};
