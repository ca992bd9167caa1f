#pragma once

#include "Platform/Kernel/MemInfoReader.h"
#include "Platform/Kernel/PerformanceCores.h"
#include "Platform/Kernel/PressureReader.h"
#include "Platform/Kernel/ProcStatReader.h"
#include "Platform/Kernel/ThermalZones.h"
#include "Platform/Storage/VolumeInfo.h"
#include "VantorAgent/Sampling/BackgroundJob.h"
#include "VantorAgent/Sampling/MemoryPressureLevel.h"
#include "VantorAgent/Sampling/ProcessMetric.h"
#include "VantorAgent/Sampling/ProcessSample.h"
#include "VantorAgent/Sampling/SamplingPlan.h"
#include "VantorAgent/Sampling/SystemMonitorSources.h"
#include "VantorAgent/Sensors/BatteryInfo.h"
#include "VantorAgent/Sensors/FanReading.h"
#include "VantorAgent/Sensors/PowerReading.h"
#include "VantorAgent/Sensors/TemperatureReading.h"
#include "VantorShared/Meters/MenuBarReadings.h"
#include "VantorShared/System/MonitorSection.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariantMap>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QTimer;
class SMCReader;
class PowerSupplyRegistry;
class GraphicsAccelerators;
class ProcessUsageReader;

// The agent's one sampling engine. It owns every published reading of the machine and the state
// that turns cumulative kernel counters into shares and rates; a repeating main-thread timer runs
// one refresh cycle per interval. Everything here lives on the main thread; the expensive reads
// run as background jobs whose results come back to the main thread.
//
// A reading is only assigned when it changed; the change signals are sent once per cycle (and
// once per delivered job), after all values of the cycle are in place.
class SystemMonitor : public MenuBarReadings {
    Q_OBJECT
public:
    using Sources = SystemMonitorSources;

    struct WholeShares {
        int user = 0;
        int system = 0;
        int idle = 0;
        bool operator==(const WholeShares&) const = default;
    };

    // Runs one refresh cycle, starts the timer (unless sources.startTimer is false) and follows the
    // workspace's sleep and session events.
    explicit SystemMonitor(Sources sources = {}, QObject* parent = nullptr);
    ~SystemMonitor() override;

    // MenuBarReadings
    double cpuUsage() const override { return m_cpuUsage; }
    const QList<double>& coreUsages() const override { return m_coreUsages; }
    int performanceCoreCount() const override { return m_performanceCoreCount; }
    const QList<double>& cpuHistory() const override { return m_cpuHistory; }
    std::optional<double> cpuTemperature() const override { return m_cpuTemperature; }
    std::optional<double> cpuWatts() const override;
    std::optional<double> gpuTemperature() const override { return m_gpuTemperature; }
    std::optional<double> hottestCelsius() const override;
    std::optional<double> fastestFanRPM() const override;
    std::optional<double> systemWatts() const override;
    double memoryUsage() const override;
    double memoryPressure() const override;
    quint64 swapUsed() const override { return m_swapUsed; }
    double storageUsage() const override;
    qint64 availableStorage() const override { return m_availableStorage; }

    // Processor
    double userCPUUsage() const { return m_userCPUUsage; }
    double systemCPUUsage() const { return m_systemCPUUsage; }
    const std::array<double, 3>& loadAverages() const { return m_loadAverages; }
    const QList<double>& userCPUHistory() const { return m_userCPUHistory; }
    const QList<double>& systemCPUHistory() const { return m_systemCPUHistory; }
    const QList<double>& loadOneHistory() const { return m_loadOneHistory; }
    const QList<double>& loadFiveHistory() const { return m_loadFiveHistory; }
    const QList<double>& loadFifteenHistory() const { return m_loadFifteenHistory; }
    const QString& chipName() const { return m_chipName; }

    // Memory
    quint64 totalMemory() const { return m_totalMemory; }
    quint64 usedMemory() const { return m_usedMemory; }
    quint64 wiredMemory() const { return m_wiredMemory; }
    quint64 compressedMemory() const { return m_compressedMemory; }
    quint64 activeMemory() const { return m_activeMemory; }
    quint64 cacheMemory() const { return m_cacheMemory; }
    quint64 pageInsPerSecond() const { return m_pageInsPerSecond; }
    quint64 pageOutsPerSecond() const { return m_pageOutsPerSecond; }
    quint64 swapTotal() const { return m_swapTotal; }
    MemoryPressureLevel memoryPressureLevel() const { return m_memoryPressureLevel; }

    // Storage
    qint64 totalStorage() const { return m_totalStorage; }
    const QString& volumeName() const { return m_volumeName; }

    // Processes
    const QList<ProcessMetric>& topCPUProcesses() const { return m_topCPUProcesses; }
    const QList<ProcessMetric>& topMemoryProcesses() const { return m_topMemoryProcesses; }
    const QList<ProcessMetric>& topDiskProcesses() const { return m_topDiskProcesses; }
    quint64 diskReadPerSecond() const { return m_diskReadPerSecond; }
    quint64 diskWritePerSecond() const { return m_diskWritePerSecond; }

    // GPU
    std::optional<double> gpuUsage() const { return m_gpuUsage; }
    std::optional<double> gpuRendererUsage() const { return m_gpuRendererUsage; }
    std::optional<double> gpuTilerUsage() const { return m_gpuTilerUsage; }
    std::optional<quint64> gpuAllocatedMemory() const { return m_gpuAllocatedMemory; }
    std::optional<quint64> gpuInUseMemory() const { return m_gpuInUseMemory; }

    // Sensors
    const QList<TemperatureReading>& temperatures() const { return m_temperatures; }
    const QList<SensorGroup>& sensorGroups() const { return m_sensorGroups; }
    const QList<FanReading>& fans() const { return m_fans; }
    const QList<PowerReading>& power() const { return m_power; }
    const std::optional<BatteryInfo>& battery() const { return m_battery; }

    // The sensor reader, made at start-up; none when the machine offers no sensors.
    const SMCReader* smcReader() const { return m_smcReader.get(); }
    // What the sensor read most recently started covers: (scope, battery).
    std::pair<SamplingPlan::SMCScope, bool> temperatureRefreshCoverage() const { return m_temperatureRefreshCoverage; }
    bool isReadingSensors() const { return m_temperatureRefreshTask.isRunning(); }

    // Machine
    double uptime() const { return m_uptime; }
    ThermalState thermalState() const { return m_thermalState; }
    // "Nominal", "Elevated", "High", "Critical" or "Unknown", in the interface language.
    QString thermalStateLabel() const;

    // The user, system and idle shares as whole percentages that add up to 100: the user share is
    // rounded, the system share gets at most what is left, idle the rest.
    static WholeShares wholeShares(double user, double system);

    // The sampling cycle and what the status bar controller tells it.
    void setOnRefresh(std::function<void()> callback);
    // Restarts a running timer whose interval is no longer the configured one; nothing while
    // paused (resuming starts the timer with the configured interval anyway).
    void applyInterval();
    void beginDetailedSampling(MonitorSection section);
    void endDetailedSampling(MonitorSection section);
    // Adds the section to the open popovers and brings its detail up to date: reads the GPU when
    // the plan asks for it, waits for a storage query or a sensor read the popover needs. The
    // completion always runs later, on the main thread, and not at all once the monitor is gone.
    void prepareDetailedSampling(MonitorSection section, std::function<void()> completion);
    const QSet<MonitorSection>& openPopovers() const { return m_openPopovers; }
    // One sampling cycle; the timer runs it, and tests may.
    void refresh();
    // A timer exists (not paused).
    bool isRunning() const { return m_timer != nullptr; }
    // The interval the running timer was made with, in seconds; none while paused.
    std::optional<double> timerInterval() const;
    // The plan the next cycle would follow.
    SamplingPlan plan() const;
    // A reader besides the meters and panels (the metrics export) wants every sensor and the
    // battery kept current, as if the sensors panel were open.
    void setSamplesAllSensors(bool samples) { m_samplesAllSensors = samples; }
    bool samplesAllSensors() const { return m_samplesAllSensors; }
    int refreshCount() const { return m_refreshCount; }

    // The "refreshInterval" setting in seconds; 1 when it is not a number greater than 0.
    static double configuredInterval();
    // The slack the timer may take to fire together with other wake-ups: 20 % of the interval.
    static double timerTolerance(double interval);

    static constexpr int cpuHistoryLength = 36;
    static constexpr int loadHistoryLength = 60;

    // MARK: GPU, storage and the process scan

    // The text shown for the processor before its model is known and for a volume without a
    // label, in the interface language.
    static QString genericChipName();
    static QString genericVolumeName();

    // Reads every process under `reader`'s root; blocking, and touches no monitor state, so it
    // runs on the worker. A process without a readable name is called "PID <id>". Storage
    // counters are read only with `diskCounters`.
    static std::vector<ProcessSample> sampleProcesses(ProcessUsageReader& reader, bool diskCounters = true);
    // The same into `samples`, whose room is reused: a steady scan allocates nothing.
    static void sampleProcesses(ProcessUsageReader& reader, bool diskCounters, std::vector<ProcessSample>& samples);
    // The time since boot at the start of `reader`'s last scan, in the ticks of the samples.
    static std::optional<quint64> scanUptimeTicks(const ProcessUsageReader& reader);
    // Differences the samples against the previous scan and publishes the three rankings and,
    // when the scan read them, the disk rates. `scanUptimeTicks` (ticks since boot at the start
    // of the scan) tells which new processes started after the previous scan. Main thread.
    void applyProcesses(const std::vector<ProcessSample>& samples, std::optional<quint64> scanUptimeTicks = {},
        bool diskCounters = true);
    // Percent of one core that `ticks` of processor time make over `elapsed` seconds; 0 when
    // no time has passed.
    static double cpuPercent(quint64 ticks, double elapsed, double tickNanoseconds);
    // Nanoseconds per tick of the processor time counters.
    static double tickNanoseconds();
    // Starts a process scan now unless one is running, outside the cycle's own schedule (for a
    // snapshot of every reading).
    void sampleProcessesNow() { refreshProcesses(); }
    bool isScanningProcesses() const { return m_processRefreshTask.isRunning(); }
    // Scans delivered so far; each needs a previous one to give rates.
    int processScanCount() const { return m_processScanCount; }
    static constexpr int topProcessCount = 5;

signals:
    // After a cycle or a delivered job that changed anything; the finer signals come first.
    void changed();
    void cpuChanged(); // shares, cores, load averages and their histories
    void memoryChanged(); // composition, paging, swap, pressure
    void storageChanged();
    void processesChanged();
    void gpuChanged();
    void sensorsChanged(); // temperatures, groups, fans, power, battery
    void machineChanged(); // uptime, thermal state
    void openPopoversChanged();

private:
    enum Change : unsigned {
        cpuChange = 1u << 0,
        memoryChange = 1u << 1,
        storageChange = 1u << 2,
        processesChange = 1u << 3,
        gpuChange = 1u << 4,
        sensorsChange = 1u << 5,
        machineChange = 1u << 6,
    };

    template <typename T> void assign(T& slot, const T& value, Change change)
    {
        if (slot == value)
            return;
        slot = value;
        m_pending |= change;
    }
    void flushChanges();

    // Drops the oldest value and appends `value`; the length never changes. True when the
    // contents changed.
    static bool append(double value, QList<double>& history);

    void readCPUUsage();
    void readCoreUsage();
    void placeCores();
    void readMemory(double elapsed);
    void readLoadAverages();
    void readSwap();

    // Hooks of the readers that attach later; each is called where the cycle decides it is due.
    void readGPU();
    void refreshProcesses();
    // Scans now when the previous scan left the storage counters out (the storage popover opens).
    void refreshProcessesForDiskFigures();
    void readTemperatures(SamplingPlan::SMCScope scope);
    void refreshStorage();
    void settleTemperatures(const SamplingPlan& plan, std::function<void()> resume);

    void startTimer();
    void pause();
    void resume();
    void observeDisplayState();

    Sources m_sources;
    ProcStatReader m_procStat;
    MemInfoReader m_memInfo;
    PressureReader m_pressure;
    ThermalZones m_thermalZones;
    quint64 m_pageSize = 0;

    // Published readings.
    double m_cpuUsage = 0;
    double m_userCPUUsage = 0;
    double m_systemCPUUsage = 0;
    QList<double> m_coreUsages;
    int m_performanceCoreCount = 0;
    std::array<double, 3> m_loadAverages {0, 0, 0};
    QList<double> m_cpuHistory;
    QList<double> m_userCPUHistory;
    QList<double> m_systemCPUHistory;
    QList<double> m_loadOneHistory;
    QList<double> m_loadFiveHistory;
    QList<double> m_loadFifteenHistory;
    QString m_chipName;
    quint64 m_totalMemory = 0;
    quint64 m_usedMemory = 0;
    quint64 m_wiredMemory = 0;
    quint64 m_compressedMemory = 0;
    quint64 m_activeMemory = 0;
    quint64 m_cacheMemory = 0;
    quint64 m_pageInsPerSecond = 0;
    quint64 m_pageOutsPerSecond = 0;
    quint64 m_swapUsed = 0;
    quint64 m_swapTotal = 0;
    MemoryPressureLevel m_memoryPressureLevel = MemoryPressureLevel::normal;
    qint64 m_totalStorage = 0;
    qint64 m_availableStorage = 0;
    QString m_volumeName;
    QList<ProcessMetric> m_topCPUProcesses;
    QList<ProcessMetric> m_topMemoryProcesses;
    QList<ProcessMetric> m_topDiskProcesses;
    quint64 m_diskReadPerSecond = 0;
    quint64 m_diskWritePerSecond = 0;
    std::optional<double> m_gpuUsage;
    std::optional<double> m_gpuRendererUsage;
    std::optional<double> m_gpuTilerUsage;
    std::optional<quint64> m_gpuAllocatedMemory;
    std::optional<quint64> m_gpuInUseMemory;
    QList<TemperatureReading> m_temperatures;
    QList<SensorGroup> m_sensorGroups;
    QList<FanReading> m_fans;
    QList<PowerReading> m_power;
    std::optional<BatteryInfo> m_battery;
    std::optional<double> m_cpuTemperature;
    std::optional<double> m_gpuTemperature;
    double m_uptime = 0;
    ThermalState m_thermalState = ThermalState::unknown;

    // Baselines that turn counters into shares and rates.
    CpuTimes m_previousCPUInfo;
    bool m_cpuBaselineTaken = false;
    // This cycle's processor counters, read once for the totals and the per-processor loads.
    CpuTimes m_currentCPUInfo;
    std::vector<CpuTimes> m_currentCoreTimes;
    bool m_cpuReadSucceeded = false;
    std::vector<int> m_currentCoreNumbers;
    // Where each processor line's load goes in coreUsages: the fastest kind of core last, as the
    // meters draw them. Rebuilt only when the set of processors changes.
    std::vector<int> m_performanceCpus;
    std::vector<int> m_coreSlotNumbers;
    std::vector<qsizetype> m_coreSlot;
    std::vector<std::pair<quint64, quint64>> m_previousCoreTicks; // (total, idle)
    std::vector<std::pair<quint64, quint64>> m_currentCoreTicks;
    bool m_loadHistoryInitialized = false;
    std::optional<quint64> m_previousPageIns;
    std::optional<quint64> m_previousPageOuts;
    MemInfo m_memInfoSnapshot;
    bool m_memInfoRead = false;

    // The cycle.
    QTimer* m_timer = nullptr;
    double m_timerInterval = 0;
    int m_refreshCount = 0;
    std::optional<double> m_lastRefresh;
    std::function<void()> m_onRefresh;
    QSet<MonitorSection> m_openPopovers;
    // What plan() read from the settings, kept until the store's generation moves (never 0).
    mutable QSet<MonitorSection> m_visibleItems;
    mutable CPUReadout m_cpuReadout {};
    mutable SensorsReadout m_sensorsReadout {};
    mutable quint64 m_settingsGeneration = 0;
    bool m_samplesAllSensors = false;
    unsigned m_pending = 0;

    // One job of each kind at a time.
    BackgroundJob m_processRefreshTask;
    BackgroundJob m_storageRefreshTask;
    BackgroundJob m_temperatureRefreshTask;
    // What the sensor read most recently started covers: (scope, battery).
    std::pair<SamplingPlan::SMCScope, bool> m_temperatureRefreshCoverage {SamplingPlan::SMCScope::none, false};

    // Sensors. The reader and the battery registry are made on the main thread at start-up and
    // then used only by the one sensor job at a time; the job holds them too, so a monitor that
    // goes away while a job runs does not pull them from under it.
    void openSensors();
    void noteSystemPowerFigure();
    void apply(const QList<TemperatureReading>& temperatures, const QList<FanReading>& fans,
        const QList<PowerReading>& power, const std::optional<BatteryInfo>& battery);
    std::shared_ptr<SMCReader> m_smcReader;
    std::shared_ptr<PowerSupplyRegistry> m_powerSupplies;
    // The readouts this monitor told the meters about are forgotten with it.
    struct ReadoutSourcesLease {
        ReadoutSourcesLease() = default;
        ReadoutSourcesLease(const ReadoutSourcesLease&) = delete;
        ReadoutSourcesLease& operator=(const ReadoutSourcesLease&) = delete;
        ~ReadoutSourcesLease();
        bool held = false;
    } m_readoutSourcesLease;

    // GPU, storage and the process scan.
    std::unique_ptr<GraphicsAccelerators> m_accelerators; // made on the first read
    // Used by one scan job at a time, on the worker; shared so that a scan outliving the monitor
    // still has its reader.
    std::shared_ptr<ProcessUsageReader> m_processReader;
    // Filled by the scan job and read by its main-thread half; never touched while a job runs.
    std::shared_ptr<std::vector<ProcessSample>> m_processSamples;
    QHash<qint32, ProcessSample> m_previousProcessSamples;
    std::optional<double> m_previousProcessSampleDate;
    std::optional<quint64> m_previousProcessScanUptime;
    bool m_previousProcessScanReadDisk = false;
    int m_processScanCount = 0;
};
