// The sensors domain of the sampling engine: temperatures, fans, power and the battery.
#include "VantorAgent/Sampling/SystemMonitor.h"

#include "Platform/Power/PowerSupplyRegistry.h"
#include "Platform/Sensors/SensorTransports.h"
#include "VantorAgent/Sensors/BatteryReader.h"
#include "VantorAgent/Sensors/SMCReader.h"
#include "VantorAgent/Sensors/SensorReadings.h"
#include "VantorShared/Meters/ReadoutSources.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QPointer>

SystemMonitor::ReadoutSourcesLease::~ReadoutSourcesLease()
{
    if (held)
        ReadoutSources::reset();
}

void SystemMonitor::openSensors()
{
    std::unique_ptr<SMCTransport> transport;
    if (m_sources.sensorTransport) {
        transport = m_sources.sensorTransport();
    } else {
        const QString table = qEnvironmentVariable(qPrintable(SharedSettings::Env::sensorTable));
        transport = SensorTransports::open(m_sources.sysRoot, table).transport;
    }
    m_smcReader = SMCReader::open(std::move(transport));
    m_powerSupplies = std::make_shared<PowerSupplyRegistry>(m_sources.sysRoot);

    // The meters' default readouts follow what this machine can actually show.
    ReadoutSources sources;
    const SMCReader* reader = m_smcReader.get();
    sources.cpuTemperature = reader && reader->hasTemperatureCategory(SensorCategory::cpu);
    sources.gpuTemperature = reader && reader->hasTemperatureCategory(SensorCategory::gpu);
    sources.hottestTemperature = reader && reader->hasAnyGroupedTemperature();
    sources.cpuPower = reader && reader->hasPowerChannel(PowerChannel::cpu);
    sources.systemPower = reader && reader->hasPowerChannel(PowerChannel::system);
    sources.fanSpeed = reader && !reader->fanKeys().empty();
    // Learnt from the memory counters on the first cycle, which follows at once.
    sources.swap = false;
    ReadoutSources::setCurrent(sources);
    m_readoutSourcesLease.held = true;
}

void SystemMonitor::noteSystemPowerFigure()
{
    // Whether the system power has a figure is a matter of the moment (a battery's draw has none
    // on mains); the meter falls back while it has none instead of showing an empty gap.
    if (!m_readoutSourcesLease.held)
        return;
    const bool now = systemWatts().has_value();
    if (ReadoutSources::current().systemPowerNow == now)
        return;
    ReadoutSources sources = ReadoutSources::current();
    sources.systemPowerNow = now;
    ReadoutSources::setCurrent(sources);
}

void SystemMonitor::readTemperatures(SamplingPlan::SMCScope scope)
{
    // Without a reader nothing is read, the battery neither: it is read only inside this job.
    if (!m_smcReader || m_temperatureRefreshTask.isRunning())
        return;
    const bool battery = plan().samplesBattery;
    m_temperatureRefreshCoverage = {scope, battery};
    m_temperatureRefreshTask.start(
        [reader = m_smcReader, supplies = m_powerSupplies, scope, battery, this]() -> BackgroundJob::Apply {
            SensorReadings readings;
            readings.temperatures = reader->temperatures(scope);
            readings.fans = reader->fans();
            readings.power = reader->power();
            if (battery)
                readings.battery = BatteryReader::read(*supplies);
            // Runs only while the job's handle, and with it this monitor, still exists.
            return [this, readings = std::move(readings)]() {
                apply(readings.temperatures, readings.fans, readings.power, readings.battery);
            };
        });
}

void SystemMonitor::apply(const QList<TemperatureReading>& temperatures, const QList<FanReading>& fans,
    const QList<PowerReading>& power, const std::optional<BatteryInfo>& battery)
{
    // Each job replaces the previous values whole; a job without the battery clears it.
    assign(m_temperatures, temperatures, sensorsChange);
    assign(m_fans, fans, sensorsChange);
    assign(m_power, power, sensorsChange);
    assign(m_battery, battery, sensorsChange);
    noteSystemPowerFigure();

    QList<SensorGroup> groups;
    for (const SensorCategory category : EnumCases<SensorCategory>::all) {
        if (category == SensorCategory::other)
            continue;
        std::optional<double> hottest;
        for (const TemperatureReading& reading : temperatures)
            if (reading.category == category && (!hottest || reading.celsius > *hottest))
                hottest = reading.celsius;
        if (hottest)
            groups.append(SensorGroup {category, *hottest});
    }
    assign(m_sensorGroups, groups, sensorsChange);

    const auto groupCelsius = [&groups](SensorCategory category) -> std::optional<double> {
        for (const SensorGroup& group : groups)
            if (group.category == category)
                return group.celsius;
        return std::nullopt;
    };
    assign(m_cpuTemperature, groupCelsius(SensorCategory::cpu), sensorsChange);
    assign(m_gpuTemperature, groupCelsius(SensorCategory::gpu), sensorsChange);
    flushChanges();
}

void SystemMonitor::settleTemperatures(const SamplingPlan& plan, std::function<void()> resume)
{
    if (!m_temperatureRefreshTask.isRunning()) {
        readTemperatures(plan.smcScope);
        // No reader: nothing to wait for. Otherwise the job just started covers the plan.
        m_temperatureRefreshTask.whenFinished(std::move(resume));
        return;
    }
    const auto [scope, battery] = m_temperatureRefreshCoverage;
    const bool covers = !(scope < plan.smcScope) && (battery || !plan.samplesBattery);
    QPointer<SystemMonitor> self(this);
    m_temperatureRefreshTask.whenFinished([self, covers, plan, resume = std::move(resume)]() mutable {
        if (!self)
            return;
        if (covers)
            resume();
        else
            self->settleTemperatures(plan, std::move(resume));
    });
}
