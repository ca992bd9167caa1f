#pragma once

#include <QList>
#include <QObject>

#include <optional>

// The fifteen values a menu bar meter draws from. The agent's SystemMonitor provides them from
// live readings; the settings app's preview provides sample values. It is a QObject so that a
// meter can hold it weakly (QPointer) and draw nothing once it is gone.
class MenuBarReadings : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~MenuBarReadings() override = default;

    virtual double cpuUsage() const = 0; // fraction 0…1
    virtual const QList<double>& coreUsages() const = 0; // fractions, performance cores last
    virtual int performanceCoreCount() const = 0; // performance cores at the end
    virtual const QList<double>& cpuHistory() const = 0; // oldest first
    virtual std::optional<double> cpuTemperature() const = 0; // Celsius
    virtual std::optional<double> cpuWatts() const = 0; // watts
    virtual std::optional<double> gpuTemperature() const = 0; // Celsius
    virtual std::optional<double> hottestCelsius() const = 0; // Celsius
    virtual std::optional<double> fastestFanRPM() const = 0; // revolutions per minute
    virtual std::optional<double> systemWatts() const = 0; // watts
    virtual double memoryUsage() const = 0; // fraction 0…1
    virtual double memoryPressure() const = 0; // fraction 0…1
    virtual quint64 swapUsed() const = 0; // bytes
    virtual double storageUsage() const = 0; // fraction 0…1
    virtual qint64 availableStorage() const = 0; // bytes
};
