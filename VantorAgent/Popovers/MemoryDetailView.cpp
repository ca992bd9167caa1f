#include "VantorAgent/Popovers/MemoryDetailView.h"

#include "VantorAgent/Popovers/ProcessMetricRow.h"
#include "VantorAgent/Popovers/RowList.h"
#include "VantorAgent/Sampling/DetailReadings.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Panels/ByteText.h"
#include "VantorShared/Panels/DenseSection.h"
#include "VantorShared/Panels/MemoryCompositionBar.h"
#include "VantorShared/Panels/MetricProgressBar.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelDivider.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PanelFormat.h"
#include "VantorShared/Panels/ValueRow.h"

#include <QVBoxLayout>

#include <algorithm>

MemoryDetailView::MemoryDetailView(DetailReadings& readings, QWidget* parent)
    : QWidget(parent)
    , m_readings(readings)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const bool dark = PanelEnvironment::of(parent).dark;

    auto* pressure = new DenseSection(AppLanguage::string(QStringLiteral("PRESSURE")));
    m_pressureBar = new MetricProgressBar;
    m_pressure = new ValueRow(AppLanguage::string(QStringLiteral("Pressure")), QString());
    m_used = new ValueRow(AppLanguage::string(QStringLiteral("Memory Used")), QString());
    m_app = new ValueRow(AppLanguage::string(QStringLiteral("App Memory")), QString());
    m_wired = new ValueRow(AppLanguage::string(QStringLiteral("Wired")), QString());
    m_compressed = new ValueRow(AppLanguage::string(QStringLiteral("Compressed")), QString());
    m_cache = new ValueRow(AppLanguage::string(QStringLiteral("Cache")), QString());
    pressure->addRow(m_pressureBar);
    for (ValueRow* row : {m_pressure, m_used, m_app, m_wired, m_compressed, m_cache})
        pressure->addRow(row);
    layout->addWidget(pressure);
    layout->addWidget(new PanelDivider);

    auto* memory = new DenseSection(AppLanguage::string(QStringLiteral("MEMORY")));
    m_composition = new MemoryCompositionBar;
    m_legendWired = new ValueRow(AppLanguage::string(QStringLiteral("Wired")), QString(), PanelColors::cyan(dark));
    m_legendActive = new ValueRow(AppLanguage::string(QStringLiteral("Active")), QString(), PanelColors::red(dark));
    m_legendCompressed
        = new ValueRow(AppLanguage::string(QStringLiteral("Compressed")), QString(), PanelColors::purple(dark));
    m_legendAvailable = new ValueRow(
        AppLanguage::string(QStringLiteral("Available")), QString(), PanelColors::progressTrackColor(dark));
    memory->addRow(m_composition);
    for (ValueRow* row : {m_legendWired, m_legendActive, m_legendCompressed, m_legendAvailable})
        memory->addRow(row);
    layout->addWidget(memory);
    layout->addWidget(new PanelDivider);

    m_processSection = new DenseSection(AppLanguage::string(QStringLiteral("PROCESSES")));
    layout->addWidget(m_processSection);
    auto* processDivider = new PanelDivider;
    layout->addWidget(processDivider);

    auto* swap = new DenseSection(AppLanguage::string(QStringLiteral("SWAP MEMORY")));
    m_swap = new ValueRow(AppLanguage::string(QStringLiteral("Used")), QString());
    m_swapBar = new MetricProgressBar;
    swap->addRow(m_swap);
    swap->addRow(m_swapBar);
    layout->addWidget(swap);
    auto* swapDivider = new PanelDivider;
    layout->addWidget(swapDivider);

    // The paging counted here is swapping: without swap it never moves from zero.
    auto* pages = new DenseSection(AppLanguage::string(QStringLiteral("PAGES")));
    m_pageIns = new ValueRow(AppLanguage::string(QStringLiteral("Page Ins")), QString());
    m_pageOuts = new ValueRow(AppLanguage::string(QStringLiteral("Page Outs")), QString());
    pages->addRow(m_pageIns);
    pages->addRow(m_pageOuts);
    layout->addWidget(pages);
    m_swapParts = {processDivider, swap, swapDivider, pages};

    connect(&m_readings, &DetailReadings::changed, this, &MemoryDetailView::refresh);
    refresh();
}

void MemoryDetailView::refresh()
{
    const DetailReadings& r = m_readings;
    m_pressureBar->setValue(r.memoryPressure());
    m_pressure->setValue(title(r.memoryPressureLevel()));
    m_used->setValue(PanelFormat::percentOfFraction(r.memoryUsage()));
    m_app->setBytes(r.activeMemory());
    m_wired->setBytes(r.wiredMemory());
    m_compressed->setBytes(r.compressedMemory());
    m_cache->setBytes(r.cacheMemory());

    const quint64 total = r.totalMemory();
    const quint64 available = total - std::min(total, r.usedMemory());
    const auto share = [total](quint64 bytes) { return total > 0 ? double(bytes) / double(total) : 0.0; };
    m_composition->setFractions(
        share(r.wiredMemory()), share(r.activeMemory()), share(r.compressedMemory()), share(available));
    m_legendWired->setBytes(r.wiredMemory());
    m_legendActive->setBytes(r.activeMemory());
    m_legendCompressed->setBytes(r.compressedMemory());
    m_legendAvailable->setBytes(available);

    const QList<ProcessMetric>& processes = r.topMemoryProcesses();
    RowList::resize(m_processes, processes.size(), *m_processSection, [] { return new ProcessMetricRow; });
    for (qsizetype i = 0; i < processes.size(); ++i)
        m_processes[i]->setProcess(processes[i], ByteText::memory(processes[i].memory));

    const quint64 swapTotal = r.swapTotal();
    for (QWidget* part : m_swapParts)
        part->setVisible(swapTotal > 0);
    m_swap->setValue(PanelFormat::substitute(AppLanguage::string(QStringLiteral("%@ of %@")),
        {ByteText::memory(r.swapUsed()), ByteText::memory(swapTotal)}));
    m_swapBar->setValue(swapTotal > 0 ? double(r.swapUsed()) / double(swapTotal) : 0.0);

    m_pageIns->setValue(ByteText::rate(r.pageInsPerSecond()));
    m_pageOuts->setValue(ByteText::rate(r.pageOutsPerSecond()));
}
