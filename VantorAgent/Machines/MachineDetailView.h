#pragma once

#include "VantorAgent/Machines/MachineHistory.h"
#include "VantorShared/Machines/MachineStatus.h"

#include <QTimer>
#include <QWidget>

class CoreCompactGraph;
class DenseSection;
class LoadAverageGraph;
class MachinesMonitor;
class MemoryCompositionBar;
class MetricProgressBar;
class MiniHistoryGraph;
class QLabel;
class ValueRow;

// One other machine's panel, with the same parts as our own: processor usage over the last hour
// and per core, the load graph, memory composition, the root volume, temperatures and fans where
// its exporter has them. Everything comes from range queries, asked again every half minute
// while the panel is open.
class MachineDetailView : public QWidget {
    Q_OBJECT
public:
    static constexpr int historyMinutes = 60;
    static constexpr int stepSeconds = 30;
    static constexpr std::chrono::seconds refreshInterval {30};

    MachineDetailView(MachinesMonitor& monitor, MachineStatus machine, QWidget* parent = nullptr);

    const MachineHistory& history() const { return m_history; }
    // Asks every range query again; the parts update as the answers come.
    void reload();
    // Answers still awaited.
    int pending() const { return m_pending; }

signals:
    void backRequested();
    // The parts changed in a way that may change the panel's height.
    void contentChanged();
    // Every answer of the last reload came.
    void loaded();

private:
    void apply();
    void answered();

    MachinesMonitor& m_monitor;
    MachineStatus m_machine;
    MachineHistory m_history;
    QTimer m_timer;
    int m_pending = 0;
    quint64 m_generation = 0;

    QLabel* m_error = nullptr;
    ValueRow* m_cpuNow = nullptr;
    MiniHistoryGraph* m_cpuGraph = nullptr;
    CoreCompactGraph* m_cores = nullptr;
    LoadAverageGraph* m_load = nullptr;
    ValueRow* m_loadNow = nullptr;
    MemoryCompositionBar* m_memoryBar = nullptr;
    ValueRow* m_memoryUsed = nullptr;
    ValueRow* m_memoryTotal = nullptr;
    ValueRow* m_swap = nullptr;
    MetricProgressBar* m_storageBar = nullptr;
    ValueRow* m_storageFree = nullptr;
    ValueRow* m_storageTotal = nullptr;
    DenseSection* m_temperatures = nullptr;
    DenseSection* m_fans = nullptr;
    QList<ValueRow*> m_temperatureRows;
    QList<ValueRow*> m_fanRows;
};
