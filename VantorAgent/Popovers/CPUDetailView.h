#pragma once

#include <QList>
#include <QWidget>

class CoreCompactGraph;
class DenseSection;
class DetailReadings;
class HardwareUtilizationRow;
class LoadAverageGraph;
class LoadAverageItem;
class MiniHistoryGraph;
class ProcessMetricRow;
class ValueRow;

// The processor panel: usage history and cores, the busiest processes, utilisation of processor,
// GPU and memory, processor and GPU figures, load averages and uptime.
class CPUDetailView : public QWidget {
    Q_OBJECT
public:
    explicit CPUDetailView(DetailReadings& readings, QWidget* parent = nullptr);

    // Re-reads every value; runs on every change of the readings.
    void refresh();

    // n / 100 as a percent without fraction digits.
    static QString percent(int whole);
    // The "Cores" text: each tier's count and name joined by " + ", or the plain count.
    QString coresText() const;

    ValueRow* row(const QString& title) const;
    const QList<ProcessMetricRow*>& processRows() const { return m_processes; }
    CoreCompactGraph* coreGraph() const { return m_cores; }

private:
    DetailReadings& m_readings;
    MiniHistoryGraph* m_history;
    CoreCompactGraph* m_cores;
    ValueRow* m_user;
    ValueRow* m_system;
    ValueRow* m_idle;
    DenseSection* m_processSection;
    QList<ProcessMetricRow*> m_processes;
    HardwareUtilizationRow* m_cpuUse;
    HardwareUtilizationRow* m_gpuUse;
    HardwareUtilizationRow* m_memoryUse;
    ValueRow* m_coresRow;
    ValueRow* m_cpuTemperature;
    ValueRow* m_cpuPower;
    ValueRow* m_gpuDevice;
    ValueRow* m_gpuRenderer;
    ValueRow* m_gpuTiler;
    ValueRow* m_gpuInUse;
    ValueRow* m_gpuAllocated;
    ValueRow* m_gpuTemperature;
    ValueRow* m_gpuPower;
    DenseSection* m_gpuSection;
    QWidget* m_gpuDivider;
    // The GPU figures this panel has shown: a row appears once its figure exists and then stays
    // (reading "Unavailable" while the figure is missing for a moment). A machine without a GPU,
    // and figures no Linux driver reports, never show a row.
    bool m_gpuUsageSeen = false;
    bool m_gpuRendererSeen = false;
    bool m_gpuTilerSeen = false;
    LoadAverageGraph* m_loadGraph;
    LoadAverageItem* m_loadOne;
    LoadAverageItem* m_loadFive;
    LoadAverageItem* m_loadFifteen;
    ValueRow* m_uptime;
};
