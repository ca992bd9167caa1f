#include "VantorAgent/Popovers/MonitorPopover.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/Popovers/CPUDetailView.h"
#include "VantorAgent/Popovers/MemoryDetailView.h"
#include "VantorAgent/Popovers/SensorsDetailView.h"
#include "VantorAgent/Popovers/StorageDetailView.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Meters/SymbolImages.h"
#include "VantorShared/Panels/CompactHeader.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelDivider.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PanelFonts.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/System/AppLinks.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPalette>
#include <QPixmap>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

QToolButton* footerButton(const QString& text, const QString& symbol, bool dark)
{
    auto* button = new QToolButton;
    button->setText(text);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(PanelFonts::text(10));
    button->setStyleSheet(
        QStringLiteral("QToolButton { border: none; background: transparent; color: %1; padding: 2px; }")
            .arg(PanelColors::secondaryLabel(dark).name(QColor::HexArgb)));
    if (!symbol.isEmpty()) {
        const QImage image
            = SymbolImages::render(symbol, 10, PanelColors::secondaryLabel(dark), qApp->devicePixelRatio());
        if (!image.isNull()) {
            button->setIcon(QPixmap::fromImage(image));
            button->setIconSize(image.deviceIndependentSize().toSize());
            button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        }
    }
    return button;
}

std::optional<double> saneScrollHeight(std::optional<double> height)
{
    if (!height)
        return std::nullopt;
    return std::isfinite(*height) && *height > 0 ? *height : 0.0;
}

} // namespace

MonitorPopover::MonitorPopover(DetailReadings& readings, MonitorSection section, PanelMetrics metrics,
    std::optional<double> scrollableHeight, std::function<void()> requestClose, QWidget* parent)
    : PopoverSurface(parent)
    , m_readings(readings)
    , m_section(section)
    , m_metrics(metrics)
    , m_scrollableHeight(saneScrollHeight(scrollableHeight))
    , m_requestClose(std::move(requestClose))
    , m_dark(prefersDark(storedAppearance()))
{
    setFixedWidth(panelWidth);
    setFont(PanelFonts::text(10));
    PanelEnvironment::apply(this, {m_metrics, m_dark});

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_layout->setSizeConstraint(QLayout::SetMinAndMaxSize);
    m_layout->addWidget(new CompactHeader(title(section), icon(section)));
    m_layout->addWidget(new PanelDivider);

    switch (section) {
    case MonitorSection::cpu:
        m_detail = new CPUDetailView(readings, this);
        break;
    case MonitorSection::memory:
        m_detail = new MemoryDetailView(readings, this);
        break;
    case MonitorSection::storage:
        m_detail = new StorageDetailView(readings, this);
        break;
    case MonitorSection::sensors:
        m_detail = new SensorsDetailView(readings, this);
        break;
    }
    m_layout->addWidget(m_detail);

    m_scroll = new QScrollArea;
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(true);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_scroll->setAutoFillBackground(false);
    m_scroll->setStyleSheet(
        QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
    m_scroll->hide();
    m_layout->addWidget(m_scroll);

    m_layout->addWidget(new PanelDivider);
    auto* footer = new QWidget;
    footer->setFixedHeight(footerHeight);
    auto* footerRow = new QHBoxLayout(footer);
    footerRow->setContentsMargins(12, 0, 12, 0);
    m_settings = footerButton(AppLanguage::string(QStringLiteral("Settings")), QStringLiteral("gearshape"), m_dark);
    m_quit = footerButton(AppLanguage::string(QStringLiteral("Quit")), QString(), m_dark);
    footerRow->addWidget(m_settings, 0, Qt::AlignVCenter);
    footerRow->addStretch();
    footerRow->addWidget(m_quit, 0, Qt::AlignVCenter);
    m_layout->addWidget(footer);

    connect(m_settings, &QAbstractButton::clicked, this, [this] {
        if (m_requestClose)
            m_requestClose();
        AppLinks::openSettingsApp();
    });
    connect(m_quit, &QAbstractButton::clicked, this, [] { QCoreApplication::quit(); });

    // The parts were made before they had this panel as an ancestor; tell them once more.
    PanelEnvironment::broadcast(this);
    placeDetail();
}

QString MonitorPopover::storedAppearance()
{
    return SharedSettings::store()
        .stringForKey(SharedSettings::Key::popoverAppearance)
        .value_or(QStringLiteral("system"));
}

bool MonitorPopover::desktopIsDark()
{
    const QPalette palette = QApplication::palette();
    return palette.color(QPalette::Window).lightness() < palette.color(QPalette::WindowText).lightness();
}

bool MonitorPopover::prefersDark(const QString& appearance)
{
    if (appearance == QLatin1String("light"))
        return false;
    if (appearance == QLatin1String("dark"))
        return true;
    return desktopIsDark();
}

void MonitorPopover::setFit(const PanelMetrics& metrics, std::optional<double> scrollableHeight)
{
    scrollableHeight = saneScrollHeight(scrollableHeight);
    if (metrics == m_metrics && scrollableHeight == m_scrollableHeight)
        return;
    m_metrics = metrics;
    m_scrollableHeight = scrollableHeight;
    PanelEnvironment::apply(this, {m_metrics, m_dark});
    placeDetail();
    // The panel's own minimum and maximum follow its layout, so a window around it takes the
    // new height at once.
    activateLayouts();
}

void MonitorPopover::placeDetail()
{
    const bool inScroll = m_scroll->widget() == m_detail;
    if (m_scrollableHeight) {
        if (!inScroll) {
            m_layout->removeWidget(m_detail);
            m_scroll->setWidget(m_detail);
            // The scroll area would give it a solid background; the surface shows through.
            m_detail->setAutoFillBackground(false);
        }
        m_scroll->setFixedHeight(int(std::floor(*m_scrollableHeight)));
        m_scroll->show();
    } else {
        if (inScroll) {
            m_scroll->takeWidget();
            m_layout->insertWidget(2, m_detail);
        }
        m_scroll->hide();
    }
    m_detail->show();
}

int MonitorPopover::requiredHeight() const
{
    activateLayouts();
    return m_layout->sizeHint().height();
}

void MonitorPopover::activateLayouts() const
{
    // Nested layouts learn of changed heights below them only when they are activated, which the
    // event loop does later; measuring happens before that, so activate them here, the innermost
    // first (every descendant comes after its ancestors in the list).
    const QList<QWidget*> below = findChildren<QWidget*>();
    for (auto it = below.crbegin(); it != below.crend(); ++it)
        if (QLayout* layout = (*it)->layout())
            layout->activate();
    m_layout->activate();
}
