#include "VantorAgent/Machines/MachineDetailView.h"

#include "VantorAgent/Machines/MachinesMonitor.h"
#include "VantorAgent/Popovers/CoreCompactGraph.h"
#include "VantorAgent/Popovers/LoadAverageGraph.h"
#include "VantorAgent/Popovers/MiniHistoryGraph.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Language/Units.h"
#include "VantorShared/Machines/MachineQueries.h"
#include "VantorShared/Machines/MachinesConnection.h"
#include "VantorShared/Panels/ByteText.h"
#include "VantorShared/Panels/DenseSection.h"
#include "VantorShared/Panels/MemoryCompositionBar.h"
#include "VantorShared/Panels/MetricProgressBar.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelDivider.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PanelFonts.h"
#include "VantorShared/Panels/PanelFormat.h"
#include "VantorShared/Panels/ValueRow.h"

#include <QLabel>
#include <QPointer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int mostRows = 8;

void resizeRows(QList<ValueRow*>& rows, qsizetype count, DenseSection& section)
{
    count = std::min<qsizetype>(count, mostRows);
    while (rows.size() > count)
        delete rows.takeLast();
    while (rows.size() < count) {
        auto* row = new ValueRow(QString(), QString());
        section.addRow(row);
        rows.append(row);
    }
    section.setVisible(count > 0);
}

} // namespace

MachineDetailView::MachineDetailView(MachinesMonitor& monitor, MachineStatus machine, QWidget* parent)
    : QWidget(parent)
    , m_monitor(monitor)
    , m_machine(std::move(machine))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* top = new QWidget;
    auto* topRow = new QHBoxLayout(top);
    topRow->setContentsMargins(8, 4, 12, 4);
    auto* back = new QToolButton;
    back->setText(QStringLiteral("‹ ") + AppLanguage::string(QStringLiteral("Machines")));
    back->setAutoRaise(true);
    back->setCursor(Qt::PointingHandCursor);
    connect(back, &QToolButton::clicked, this, &MachineDetailView::backRequested);
    auto* name = new QLabel(m_machine.name());
    name->setFont(PanelFonts::text(11, QFont::DemiBold));
    topRow->addWidget(back);
    topRow->addStretch();
    topRow->addWidget(name);
    layout->addWidget(top);

    m_error = new QLabel;
    m_error->setWordWrap(true);
    m_error->setContentsMargins(12, 4, 12, 4);
    m_error->hide();
    layout->addWidget(m_error);

    auto* cpu = new DenseSection(AppLanguage::string(QStringLiteral("CPU")));
    m_cpuNow = new ValueRow(AppLanguage::string(QStringLiteral("Usage")), QStringLiteral("–"));
    m_cpuGraph = new MiniHistoryGraph;
    m_cores = new CoreCompactGraph;
    cpu->addRow(m_cpuNow);
    cpu->addRow(m_cpuGraph);
    cpu->addRow(m_cores);
    layout->addWidget(cpu);
    layout->addWidget(new PanelDivider);

    auto* load = new DenseSection(AppLanguage::string(QStringLiteral("LOAD")));
    m_loadNow = new ValueRow(AppLanguage::string(QStringLiteral("1, 5, 15 min")), QStringLiteral("–"));
    m_load = new LoadAverageGraph;
    load->addRow(m_loadNow);
    load->addRow(m_load);
    layout->addWidget(load);
    layout->addWidget(new PanelDivider);

    auto* memory = new DenseSection(AppLanguage::string(QStringLiteral("MEMORY")));
    m_memoryBar = new MemoryCompositionBar;
    m_memoryUsed = new ValueRow(AppLanguage::string(QStringLiteral("Used")), QStringLiteral("–"));
    m_memoryTotal = new ValueRow(AppLanguage::string(QStringLiteral("Total")), QStringLiteral("–"));
    m_swap = new ValueRow(AppLanguage::string(QStringLiteral("Swap")), QStringLiteral("–"));
    memory->addRow(m_memoryBar);
    for (ValueRow* row : {m_memoryUsed, m_memoryTotal, m_swap})
        memory->addRow(row);
    layout->addWidget(memory);
    layout->addWidget(new PanelDivider);

    auto* disk = new DenseSection(AppLanguage::string(QStringLiteral("DISK")));
    m_storageBar = new MetricProgressBar;
    m_storageFree = new ValueRow(AppLanguage::string(QStringLiteral("Available")), QStringLiteral("–"));
    m_storageTotal = new ValueRow(AppLanguage::string(QStringLiteral("Capacity")), QStringLiteral("–"));
    disk->addRow(m_storageBar);
    disk->addRow(m_storageFree);
    disk->addRow(m_storageTotal);
    layout->addWidget(disk);

    m_temperatures = new DenseSection(AppLanguage::string(QStringLiteral("TEMPERATURES")));
    m_temperatures->hide();
    layout->addWidget(m_temperatures);
    m_fans = new DenseSection(AppLanguage::string(QStringLiteral("FANS")));
    m_fans->hide();
    layout->addWidget(m_fans);

    m_timer.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &MachineDetailView::reload);
    m_timer.start(refreshInterval);
    reload();
}

void MachineDetailView::reload()
{
    if (m_pending > 0)
        return;
    const quint64 generation = ++m_generation;
    const QString filter = m_monitor.filter();
    const QString instance = m_machine.instance;
    const QDateTime end = QDateTime::currentDateTimeUtc();
    const QDateTime start = end.addSecs(-historyMinutes * 60);
    using Setter = void (MachineHistory::*)(const PrometheusResult&);
    const std::pair<QString, Setter> queries[] = {
        {MachineQueries::Range::cpu(filter, instance), &MachineHistory::setCPU},
        {MachineQueries::Range::coreUsage(filter, instance), &MachineHistory::setCores},
        {MachineQueries::Range::load(filter, instance), &MachineHistory::setLoad},
        {MachineQueries::Range::memory(filter, instance), &MachineHistory::setMemory},
        {MachineQueries::Range::storage(filter, instance), &MachineHistory::setStorage},
        {MachineQueries::Range::temperatures(filter, instance), &MachineHistory::setTemperatures},
        {MachineQueries::Range::fans(filter, instance), &MachineHistory::setFans},
    };
    m_pending = int(std::size(queries));
    m_error->hide();
    QPointer<MachineDetailView> self(this);
    for (const auto& [query, setter] : queries) {
        m_monitor.client().queryRange(
            query, start, end, stepSeconds, [self, generation, setter](const PrometheusResult& result) {
                if (!self || generation != self->m_generation)
                    return;
                if (result.error.isError()) {
                    self->m_error->setText(MachinesConnection::describe(result.error));
                    self->m_error->show();
                } else {
                    (self->m_history.*setter)(result);
                }
                self->answered();
            });
    }
}

void MachineDetailView::answered()
{
    if (--m_pending > 0)
        return;
    apply();
    emit loaded();
}

void MachineDetailView::apply()
{
    const MachineHistory& h = m_history;
    const bool dark = PanelEnvironment::of(this).dark;
    QPalette palette = m_error->palette();
    palette.setColor(QPalette::WindowText, PanelColors::orange(dark));
    m_error->setPalette(palette);

    m_cpuNow->setValue(h.cpu.isEmpty() ? QStringLiteral("–") : PanelFormat::percentOfFraction(h.cpu.last()));
    m_cpuGraph->setHistories(h.cpu, QList<double>(h.cpu.size(), 0.0));
    m_cores->setUsages(h.coreUsages);
    m_cores->setVisible(!h.coreUsages.isEmpty());

    const auto last = [](const QList<double>& values) {
        return values.isEmpty() ? QStringLiteral("–") : PanelFormat::number(values.last(), 2);
    };
    m_loadNow->setValue(last(h.load1) + QStringLiteral("  ") + last(h.load5) + QStringLiteral("  ") + last(h.load15));
    m_load->setHistories(h.load1, h.load5, h.load15, int(h.coreUsages.size()));

    if (h.memory) {
        const auto& m = *h.memory;
        const double total = m.total;
        m_memoryBar->setFractions(m.wired / total, m.active() / total, 0, m.available / total);
        m_memoryUsed->setValue(ByteText::memory(quint64(m.used())));
        m_memoryTotal->setValue(ByteText::memory(quint64(total)));
        m_swap->setValue(m.swapTotal > 0 ? ByteText::memory(quint64(m.swapTotal - m.swapFree)) : QStringLiteral("–"));
    }
    if (h.storage) {
        m_storageBar->setValue(1 - h.storage->available / h.storage->size);
        m_storageFree->setValue(ByteText::file(qint64(h.storage->available)));
        m_storageTotal->setValue(ByteText::file(qint64(h.storage->size)));
    }

    resizeRows(m_temperatureRows, h.temperatures.size(), *m_temperatures);
    for (qsizetype i = 0; i < m_temperatureRows.size(); ++i) {
        m_temperatureRows[i]->setTitle(h.temperatures[i].name);
        m_temperatureRows[i]->setValue(Units::temperature(h.temperatures[i].value, 0));
    }
    resizeRows(m_fanRows, h.fans.size(), *m_fans);
    for (qsizetype i = 0; i < m_fanRows.size(); ++i) {
        m_fanRows[i]->setTitle(h.fans[i].name);
        m_fanRows[i]->setValue(Units::rpm(h.fans[i].value));
    }
    PanelEnvironment::broadcast(this);
    emit contentChanged();
}
