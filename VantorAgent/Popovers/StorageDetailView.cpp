#include "VantorAgent/Popovers/StorageDetailView.h"

#include "VantorAgent/Popovers/ProcessMetricRow.h"
#include "VantorAgent/Popovers/RowList.h"
#include "VantorAgent/Popovers/SensorRow.h"
#include "VantorAgent/Sampling/DetailReadings.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Panels/ByteText.h"
#include "VantorShared/Panels/DenseSection.h"
#include "VantorShared/Panels/MetricProgressBar.h"
#include "VantorShared/Panels/PanelDivider.h"
#include "VantorShared/Panels/PanelFormat.h"
#include "VantorShared/Panels/ValueRow.h"

#include <QVBoxLayout>

#include <algorithm>

StorageDetailView::StorageDetailView(DetailReadings& readings, QWidget* parent)
    : QWidget(parent)
    , m_readings(readings)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* disk = new DenseSection(AppLanguage::string(QStringLiteral("DISK")));
    m_volume = new SensorRow(QStringLiteral("internaldrive"), QString());
    m_usage = new MetricProgressBar;
    m_used = new ValueRow(AppLanguage::string(QStringLiteral("Used")), QString());
    m_capacity = new ValueRow(AppLanguage::string(QStringLiteral("Capacity")), QString());
    m_read = new ValueRow(AppLanguage::string(QStringLiteral("Read")), QString());
    m_write = new ValueRow(AppLanguage::string(QStringLiteral("Write")), QString());
    disk->addRow(m_volume);
    disk->addRow(m_usage);
    for (ValueRow* row : {m_used, m_capacity, m_read, m_write})
        disk->addRow(row);
    layout->addWidget(disk);
    layout->addWidget(new PanelDivider);

    m_processSection = new DenseSection(AppLanguage::string(QStringLiteral("PROCESSES")));
    layout->addWidget(m_processSection);

    connect(&m_readings, &DetailReadings::changed, this, &StorageDetailView::refresh);
    refresh();
}

void StorageDetailView::refresh()
{
    const DetailReadings& r = m_readings;
    const qint64 total = std::max<qint64>(0, r.totalStorage());
    const qint64 available = std::clamp<qint64>(r.availableStorage(), 0, total);
    m_volume->setTitle(r.volumeName());
    m_volume->setValue(
        PanelFormat::substitute(AppLanguage::string(QStringLiteral("%@ free")), {ByteText::file(available)}));
    m_usage->setValue(r.storageUsage());
    m_used->setValue(ByteText::file(total - available));
    m_capacity->setValue(ByteText::file(total));
    m_read->setValue(ByteText::rate(r.diskReadPerSecond()));
    m_write->setValue(ByteText::rate(r.diskWritePerSecond()));

    const QList<ProcessMetric>& processes = r.topDiskProcesses();
    RowList::resize(m_processes, processes.size(), *m_processSection, [] { return new ProcessMetricRow; });
    for (qsizetype i = 0; i < processes.size(); ++i)
        m_processes[i]->setProcess(
            processes[i], ByteText::rate(processes[i].diskRead), ByteText::rate(processes[i].diskWrite));
}
