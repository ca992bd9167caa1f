#pragma once

#include <QList>
#include <QWidget>

class DenseSection;
class DetailReadings;
class MetricProgressBar;
class ProcessMetricRow;
class SensorRow;
class ValueRow;

// The storage panel: the start-up volume's space and throughput, and the busiest processes on disk.
class StorageDetailView : public QWidget {
    Q_OBJECT
public:
    explicit StorageDetailView(DetailReadings& readings, QWidget* parent = nullptr);

    void refresh();

    const QList<ProcessMetricRow*>& processRows() const { return m_processes; }

private:
    DetailReadings& m_readings;
    SensorRow* m_volume;
    MetricProgressBar* m_usage;
    ValueRow* m_used;
    ValueRow* m_capacity;
    ValueRow* m_read;
    ValueRow* m_write;
    DenseSection* m_processSection;
    QList<ProcessMetricRow*> m_processes;
};
