#include "VantorAgent/Popovers/CPUDetailView.h"

#include "VantorAgent/Popovers/CoreCompactGraph.h"
#include "VantorAgent/Popovers/HardwareUtilizationRow.h"
#include "VantorAgent/Popovers/LoadAverageGraph.h"
#include "VantorAgent/Popovers/LoadAverageItem.h"
#include "VantorAgent/Popovers/MiniHistoryGraph.h"
#include "VantorAgent/Popovers/ProcessMetricRow.h"
#include "VantorAgent/Popovers/RowList.h"
#include "VantorAgent/Sampling/DetailReadings.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Language/Units.h"
#include "VantorShared/Meters/ReadoutSources.h"
#include "VantorShared/Panels/ByteText.h"
#include "VantorShared/Panels/DenseSection.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelDivider.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PanelFormat.h"
#include "VantorShared/Panels/ValueRow.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
QString utilisation(std::optional<double> fraction)
{
    if (!fraction || !std::isfinite(*fraction))
        return AppLanguage::string(QStringLiteral("Unavailable"));
    return PanelFormat::percentOfFraction(*fraction);
}

QString wattsOrDash(std::optional<double> watts)
{
    // Processor power with two fraction digits: it moves in small steps.
    return watts && std::isfinite(*watts) ? Units::watts(*watts, 2) : QStringLiteral("—");
}

} // namespace

CPUDetailView::CPUDetailView(DetailReadings& readings, QWidget* parent)
    : QWidget(parent)
    , m_readings(readings)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const bool dark = PanelEnvironment::of(parent).dark;

    auto* usage = new DenseSection(AppLanguage::string(QStringLiteral("USAGE")));
    auto* graphs = new QWidget;
    auto* graphRow = new QHBoxLayout(graphs);
    graphRow->setContentsMargins(0, 0, 0, 0);
    graphRow->setSpacing(8);
    m_history = new MiniHistoryGraph;
    m_cores = new CoreCompactGraph;
    graphRow->addWidget(m_history, 1);
    graphRow->addWidget(m_cores, 1);
    usage->addRow(graphs);
    m_user = new ValueRow(AppLanguage::string(QStringLiteral("User")), QString(), PanelColors::cyan(dark));
    m_system = new ValueRow(AppLanguage::string(QStringLiteral("System")), QString(), PanelColors::red(dark));
    m_idle = new ValueRow(AppLanguage::string(QStringLiteral("Idle")), QString(), PanelColors::gray(dark));
    usage->addRow(m_user);
    usage->addRow(m_system);
    usage->addRow(m_idle);
    layout->addWidget(usage);
    layout->addWidget(new PanelDivider);

    m_processSection = new DenseSection(AppLanguage::string(QStringLiteral("PROCESSES")));
    layout->addWidget(m_processSection);
    layout->addWidget(new PanelDivider);

    auto* use = new DenseSection;
    m_cpuUse = new HardwareUtilizationRow(AppLanguage::string(QStringLiteral("CPU")), PanelColors::cyan(dark));
    m_gpuUse = new HardwareUtilizationRow(AppLanguage::string(QStringLiteral("GPU")), PanelColors::purple(dark));
    m_memoryUse = new HardwareUtilizationRow(
        AppLanguage::string(QStringLiteral("Memory")), PanelColors::progressFillColor(dark));
    use->addRow(m_cpuUse);
    use->addRow(m_gpuUse);
    m_gpuUse->hide();
    use->addRow(m_memoryUse);
    layout->addWidget(use);
    layout->addWidget(new PanelDivider);

    auto* cpu = new DenseSection(AppLanguage::string(QStringLiteral("CPU")));
    m_coresRow = new ValueRow(AppLanguage::string(QStringLiteral("Cores")), QString());
    m_cpuTemperature = new ValueRow(AppLanguage::string(QStringLiteral("Temperature")), QString());
    m_cpuPower = new ValueRow(AppLanguage::string(QStringLiteral("Power")), QString());
    cpu->addRow(m_coresRow);
    cpu->addRow(m_cpuTemperature);
    cpu->addRow(m_cpuPower);
    layout->addWidget(cpu);
    layout->addWidget(new PanelDivider);

    auto* gpu = m_gpuSection = new DenseSection(AppLanguage::string(QStringLiteral("GPU")));
    m_gpuDevice = new ValueRow(AppLanguage::string(QStringLiteral("Device")), QString());
    m_gpuRenderer = new ValueRow(AppLanguage::string(QStringLiteral("Renderer")), QString());
    m_gpuTiler = new ValueRow(AppLanguage::string(QStringLiteral("Tiler")), QString());
    m_gpuInUse = new ValueRow(AppLanguage::string(QStringLiteral("Memory in use")), QString());
    m_gpuAllocated = new ValueRow(AppLanguage::string(QStringLiteral("Memory allocated")), QString());
    m_gpuTemperature = new ValueRow(AppLanguage::string(QStringLiteral("Temperature")), QString());
    m_gpuPower = new ValueRow(AppLanguage::string(QStringLiteral("Power")), QString());
    for (ValueRow* row :
        {m_gpuDevice, m_gpuRenderer, m_gpuTiler, m_gpuInUse, m_gpuAllocated, m_gpuTemperature, m_gpuPower}) {
        gpu->addRow(row);
        row->hide();
    }
    layout->addWidget(gpu);
    m_gpuDivider = new PanelDivider;
    layout->addWidget(m_gpuDivider);

    auto* load = new DenseSection(AppLanguage::string(QStringLiteral("LOAD AVERAGE")));
    auto* loadBox = new QWidget;
    auto* loadRow = new QHBoxLayout(loadBox);
    loadRow->setContentsMargins(0, 0, 0, 0);
    loadRow->setSpacing(10);
    m_loadGraph = new LoadAverageGraph;
    loadRow->addWidget(m_loadGraph, 1);
    auto* items = new QVBoxLayout;
    items->setSpacing(4);
    m_loadOne = new LoadAverageItem(AppLanguage::string(QStringLiteral("1 min")), PanelColors::cyan(dark));
    m_loadFive = new LoadAverageItem(AppLanguage::string(QStringLiteral("5 min")), PanelColors::red(dark));
    m_loadFifteen = new LoadAverageItem(AppLanguage::string(QStringLiteral("15 min")), PanelColors::gray(dark));
    items->addStretch();
    items->addWidget(m_loadOne);
    items->addWidget(m_loadFive);
    items->addWidget(m_loadFifteen);
    items->addStretch();
    loadRow->addLayout(items);
    load->addRow(loadBox);
    layout->addWidget(load);
    layout->addWidget(new PanelDivider);

    auto* machine = new DenseSection;
    m_uptime = new ValueRow(AppLanguage::string(QStringLiteral("Uptime")), QString());
    machine->addRow(m_uptime);
    layout->addWidget(machine);

    connect(&m_readings, &DetailReadings::changed, this, &CPUDetailView::refresh);
    refresh();
}

QString CPUDetailView::percent(int whole)
{
    return PanelFormat::percent(whole);
}

QString CPUDetailView::coresText() const
{
    return CoreTopology::summary(
        m_readings.coreTiers(), m_readings.totalCores(), [](const QString& name) { return AppLanguage::string(name); });
}

ValueRow* CPUDetailView::row(const QString& title) const
{
    for (ValueRow* row : findChildren<ValueRow*>())
        if (row->title() == title && row->isVisibleTo(this))
            return row;
    return nullptr;
}

void CPUDetailView::refresh()
{
    const DetailReadings& r = m_readings;
    m_history->setHistories(r.userCPUHistory(), r.systemCPUHistory());
    m_cores->setUsages(r.coreUsages());
    const SystemMonitor::WholeShares shares = SystemMonitor::wholeShares(r.userCPUUsage(), r.systemCPUUsage());
    m_user->setValue(percent(shares.user));
    m_system->setValue(percent(shares.system));
    m_idle->setValue(percent(shares.idle));

    const QList<ProcessMetric>& processes = r.topCPUProcesses();
    RowList::resize(m_processes, processes.size(), *m_processSection, [] { return new ProcessMetricRow; });
    for (qsizetype i = 0; i < processes.size(); ++i)
        m_processes[i]->setProcess(processes[i], PanelFormat::number(processes[i].cpu, 1) + QLatin1Char('%'));

    m_cpuUse->setValue((shares.user + shares.system) / 100.0);
    m_gpuUsageSeen = m_gpuUsageSeen || r.gpuUsage().has_value();
    m_gpuRendererSeen = m_gpuRendererSeen || r.gpuRendererUsage().has_value();
    m_gpuTilerSeen = m_gpuTilerSeen || r.gpuTilerUsage().has_value();
    m_gpuUse->setVisible(m_gpuUsageSeen);
    m_gpuUse->setValue(r.gpuUsage());
    m_memoryUse->setValue(r.memoryUsage());

    m_coresRow->setValue(coresText());
    const std::optional<double> cpuTemperature = r.cpuTemperature();
    m_cpuTemperature->setVisible(cpuTemperature.has_value());
    if (cpuTemperature)
        m_cpuTemperature->setValue(Units::temperature(*cpuTemperature, 1));
    // Without a processor power source on this machine the row could only ever show a dash.
    m_cpuPower->setVisible(ReadoutSources::current().cpuPower || r.cpuWatts().has_value());
    m_cpuPower->setValue(wattsOrDash(r.cpuWatts()));

    m_gpuDevice->setVisible(m_gpuUsageSeen);
    m_gpuDevice->setValue(utilisation(r.gpuUsage()));
    m_gpuRenderer->setVisible(m_gpuRendererSeen);
    m_gpuRenderer->setValue(utilisation(r.gpuRendererUsage()));
    m_gpuTiler->setVisible(m_gpuTilerSeen);
    m_gpuTiler->setValue(utilisation(r.gpuTilerUsage()));
    const auto showBytes = [](ValueRow* row, std::optional<quint64> bytes) {
        row->setVisible(bytes.has_value());
        if (bytes)
            row->setValue(ByteText::memory(*bytes));
    };
    showBytes(m_gpuInUse, r.gpuInUseMemory());
    showBytes(m_gpuAllocated, r.gpuAllocatedMemory());
    const std::optional<double> gpuTemperature = r.gpuTemperature();
    m_gpuTemperature->setVisible(gpuTemperature.has_value());
    if (gpuTemperature)
        m_gpuTemperature->setValue(Units::temperature(*gpuTemperature, 1));
    std::optional<double> gpuWatts;
    for (const PowerReading& reading : r.power())
        if (reading.channel == PowerChannel::gpu)
            gpuWatts = reading.watts;
    m_gpuPower->setVisible(gpuWatts.has_value());
    if (gpuWatts)
        m_gpuPower->setValue(Units::watts(*gpuWatts, 1));
    // No GPU row at all: no section either.
    const bool anyGpuRow = m_gpuUsageSeen || m_gpuRendererSeen || m_gpuTilerSeen || r.gpuInUseMemory()
        || r.gpuAllocatedMemory() || gpuTemperature || gpuWatts;
    m_gpuSection->setVisible(anyGpuRow);
    m_gpuDivider->setVisible(anyGpuRow);

    m_loadGraph->setHistories(r.loadOneHistory(), r.loadFiveHistory(), r.loadFifteenHistory(), r.totalCores());
    const std::array<double, 3>& loads = r.loadAverages();
    m_loadOne->setValue(PanelFormat::number(loads[0], 2));
    m_loadFive->setValue(PanelFormat::number(loads[1], 2));
    m_loadFifteen->setValue(PanelFormat::number(loads[2], 2));

    m_uptime->setValue(PanelFormat::daysHoursMinutes(r.uptime()));
}
