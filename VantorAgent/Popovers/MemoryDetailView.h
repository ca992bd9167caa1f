#pragma once

#include <QList>
#include <QWidget>

class DenseSection;
class DetailReadings;
class MemoryCompositionBar;
class MetricProgressBar;
class ProcessMetricRow;
class ValueRow;

// The memory panel: pressure, composition, the busiest processes, swap and paging.
class MemoryDetailView : public QWidget {
    Q_OBJECT
public:
    explicit MemoryDetailView(DetailReadings& readings, QWidget* parent = nullptr);

    void refresh();

    const QList<ProcessMetricRow*>& processRows() const { return m_processes; }
    MemoryCompositionBar* compositionBar() const { return m_composition; }

private:
    DetailReadings& m_readings;
    MetricProgressBar* m_pressureBar;
    ValueRow* m_pressure;
    ValueRow* m_used;
    ValueRow* m_app;
    ValueRow* m_wired;
    ValueRow* m_compressed;
    ValueRow* m_cache;
    MemoryCompositionBar* m_composition;
    ValueRow* m_legendWired;
    ValueRow* m_legendActive;
    ValueRow* m_legendCompressed;
    ValueRow* m_legendAvailable;
    DenseSection* m_processSection;
    QList<ProcessMetricRow*> m_processes;
    ValueRow* m_swap;
    MetricProgressBar* m_swapBar;
    ValueRow* m_pageIns;
    ValueRow* m_pageOuts;
    // Swap and its paging, shown only where swap is configured: without it they could only
    // ever read "0 bytes of 0 bytes".
    QList<QWidget*> m_swapParts;
};
