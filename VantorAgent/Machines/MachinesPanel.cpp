#include "VantorAgent/Machines/MachinesPanel.h"

#include "VantorAgent/Machines/MachineDetailView.h"
#include "VantorAgent/Machines/MachineRow.h"
#include "VantorAgent/Machines/MachinesMonitor.h"
#include "VantorAgent/Popovers/MonitorPopover.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Machines/MachinesConnection.h"
#include "VantorShared/Panels/CompactHeader.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelDivider.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PanelFonts.h"

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

MachinesPanel::MachinesPanel(MachinesMonitor& monitor, int maximumHeight, QWidget* parent)
    : PopoverSurface(parent)
    , m_monitor(monitor)
    , m_maximumHeight(std::max(200, maximumHeight))
    , m_dark(MonitorPopover::prefersDark(MonitorPopover::storedAppearance()))
{
    setFixedWidth(panelWidth);
    setFont(PanelFonts::text(10));
    PanelEnvironment::apply(this, {PanelMetrics {}, m_dark});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(
        new CompactHeader(AppLanguage::string(QStringLiteral("Machines")), QStringLiteral("server.rack")));
    layout->addWidget(new PanelDivider);

    auto* listPage = new QWidget;
    m_listPage = listPage;
    auto* listLayout = new QVBoxLayout(listPage);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(0);
    m_status = new QLabel;
    m_status->setWordWrap(true);
    m_status->setContentsMargins(12, 8, 12, 8);
    m_status->setFont(PanelFonts::text(10));
    QPalette palette = m_status->palette();
    palette.setColor(QPalette::WindowText, PanelColors::secondaryLabel(m_dark));
    m_status->setPalette(palette);
    listLayout->addWidget(m_status);

    m_list = new QWidget;
    m_listLayout = new QVBoxLayout(m_list);
    m_listLayout->setContentsMargins(0, 4, 0, 4);
    m_listLayout->setSpacing(0);
    m_listLayout->addStretch();
    m_scroll = new QScrollArea;
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(true);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_scroll->setStyleSheet(
        QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
    m_scroll->setWidget(m_list);
    listLayout->addWidget(m_scroll);
    layout->addWidget(listPage);
    m_layout = layout;

    connect(&m_monitor, &MachinesMonitor::changed, this, &MachinesPanel::refresh);
    refresh();
}

MachinesPanel::~MachinesPanel() = default;

QString MachinesPanel::statusText() const
{
    if (!m_monitor.isConfigured())
        return AppLanguage::string(QStringLiteral("No Prometheus server is set."));
    if (m_monitor.lastError().isError())
        return MachinesConnection::describe(m_monitor.lastError());
    if (!m_monitor.hasAnswered())
        return AppLanguage::string(QStringLiteral("Asking the server…"));
    if (m_monitor.machines().isEmpty())
        return MachinesConnection::machinesFound(0);
    return {};
}

void MachinesPanel::refresh()
{
    const QString status = statusText();
    m_status->setText(status);
    m_status->setVisible(!status.isEmpty());
    QPalette palette = m_status->palette();
    palette.setColor(QPalette::WindowText,
        m_monitor.lastError().isError() ? PanelColors::orange(m_dark) : PanelColors::secondaryLabel(m_dark));
    m_status->setPalette(palette);

    // After a failure the last known figures stay visible under the reason, as they were.
    const QList<MachineStatus>& machines = m_monitor.machines();
    while (m_rows.size() > machines.size())
        delete m_rows.takeLast();
    while (m_rows.size() < machines.size()) {
        auto* row = new MachineRow;
        connect(row, &MachineRow::clicked, this, &MachinesPanel::showMachine);
        m_listLayout->insertWidget(m_listLayout->count() - 1, row);
        m_rows.append(row);
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (qsizetype i = 0; i < machines.size(); ++i)
        m_rows[i]->setMachine(machines[i], m_monitor.thresholds(), now);
    fitHeight();
}

void MachinesPanel::fitHeight()
{
    const int wanted = int(m_rows.size()) * MachineRow::rowHeight + 8;
    const int available = m_maximumHeight - CompactHeader::height - 1 - (m_status->isVisible() ? 40 : 0);
    const int height = std::min(wanted, std::max(0, available));
    if (m_scroll->height() != height) {
        m_scroll->setFixedHeight(height);
        adjustSize();
        emit resized();
    }
}

void MachinesPanel::dropDetail()
{
    if (!m_detail)
        return;
    // Out of the layout at once, not only when the deferred delete runs: the panel is measured
    // for its new size right after this, and the detail must not count in it. Deferred because
    // its own back button may be what called us.
    m_layout->removeWidget(m_detail);
    m_detail->hide();
    m_detail->deleteLater();
    m_detail = nullptr;
}

void MachinesPanel::showMachine(const QString& instance)
{
    if (instance.isEmpty()) {
        m_listPage->show();
        dropDetail();
        adjustSize();
        emit resized();
        return;
    }
    const auto found = std::find_if(m_monitor.machines().begin(), m_monitor.machines().end(),
        [&](const MachineStatus& machine) { return machine.instance == instance; });
    if (found == m_monitor.machines().end())
        return;
    dropDetail();
    m_detail = new MachineDetailView(m_monitor, *found);
    connect(m_detail, &MachineDetailView::backRequested, this, [this] { showMachine(QString()); });
    connect(m_detail, &MachineDetailView::contentChanged, this, [this] {
        adjustSize();
        emit resized();
    });
    m_listPage->hide();
    m_layout->addWidget(m_detail);
    PanelEnvironment::broadcast(this);
    adjustSize();
    emit resized();
}
