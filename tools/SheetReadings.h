#pragma once

#include "VantorShared/Meters/MenuBarReadings.h"

#include <QList>

#include <cmath>
#include <optional>

// Fixed readings for the picture tools' meters: ten cores in two tiers, a wavy history, and every
// sensor present. The figures a picture shows up front are members, so each tool picks its own.
class SheetReadings : public MenuBarReadings {
public:
    double cpu = 0.52;
    double cpuCelsius = 48.0;
    double gpuCelsius = 41.0;
    double systemPower = 17.2;

    SheetReadings()
    {
        m_cores = {0.22, 0.35, 0.12, 0.28, 0.18, 0.09, 0.66, 0.91, 0.48, 0.74};
        for (int i = 0; i < 36; ++i)
            m_history.append(0.38 + 0.22 * std::sin(i / 4.0) + 0.12 * std::sin(i / 1.7));
    }
    double cpuUsage() const override { return cpu; }
    const QList<double>& coreUsages() const override { return m_cores; }
    int performanceCoreCount() const override { return 4; }
    const QList<double>& cpuHistory() const override { return m_history; }
    std::optional<double> cpuTemperature() const override { return cpuCelsius; }
    std::optional<double> cpuWatts() const override { return 7.8; }
    std::optional<double> gpuTemperature() const override { return gpuCelsius; }
    std::optional<double> hottestCelsius() const override { return 61.2; }
    std::optional<double> fastestFanRPM() const override { return 2180; }
    std::optional<double> systemWatts() const override { return systemPower; }
    double memoryUsage() const override { return 0.64; }
    double memoryPressure() const override { return 0.31; }
    quint64 swapUsed() const override { return quint64(1.3 * 1073741824.0); }
    double storageUsage() const override { return 0.58; }
    qint64 availableStorage() const override { return qint64(212) * 1073741824; }

private:
    QList<double> m_cores;
    QList<double> m_history;
};
