#include "VantorShared/Meters/StatusMetricView.h"

#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Meters/StatusMetricViewDrawing.h"

#include <algorithm>

using namespace StatusMetricViewDrawing;

namespace {

double readoutRoom(double textWidth, double gap)
{
    return textWidth > 0 ? textWidth + gap : 0.0;
}

double readoutRoom(MonitorSection section, double gap)
{
    const Look& settings = look();
    switch (section) {
    case MonitorSection::cpu:
        return readoutRoom(textWidth(settings.cpuReadout), gap);
    case MonitorSection::memory:
        return readoutRoom(textWidth(settings.memoryReadout), gap);
    case MonitorSection::storage:
        return readoutRoom(textWidth(settings.storageReadout), gap);
    case MonitorSection::sensors:
        return readoutRoom(textWidth(settings.sensorsReadout), gap);
    }
    return 0.0;
}

double cpuMeterWidth(MeterStyle style)
{
    return style == MeterStyle::bars ? StatusMetricView::cpuBarsMeterWidth(coreCount()) : waveAndCompactWidth;
}

} // namespace

StatusMetricView::StatusMetricView(const QRect& frame, MonitorSection section, QWidget* parent)
    : QWidget(parent)
    , m_section(section)
{
    setGeometry(frame);
    // Clicks go to the status item's button underneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(accessibilityText(section));
}

StatusMetricView::~StatusMetricView() = default;

void StatusMetricView::setReadings(MenuBarReadings* readings)
{
    m_readings = readings;
    m_signature = QString();
}

StatusMetricView::Appearance StatusMetricView::effectiveAppearance() const
{
    const QPalette& colors = palette();
    return colors.color(QPalette::Window).lightness() < colors.color(QPalette::WindowText).lightness()
        ? Appearance::dark
        : Appearance::light;
}

QColor StatusMetricView::primaryLabelColor(Appearance appearance)
{
    return appearance == Appearance::dark ? QColor(255, 255, 255, 217) : QColor(0, 0, 0, 217);
}

QColor StatusMetricView::borderColor()
{
    return QColor::fromRgbF(0.43f, 0.43f, 0.45f, 0.92f);
}

void StatusMetricView::overrideCoreCount(int count)
{
    setCoreCountOverride(count);
}

void StatusMetricView::resetCachesForTesting()
{
    resetCaches();
}

// MARK: Layout

double StatusMetricView::cpuBarsMeterWidth(int coreCount)
{
    const int n = std::max(1, coreCount);
    return n * 4.9 + (n - 1) + 4;
}

QSizeF StatusMetricView::iconSize(MonitorSection section)
{
    return symbolSize(icon(section));
}

double StatusMetricView::labelWidth(MonitorSection section)
{
    return look().label(section) == MeterLabelStyle::letters ? 6.0 : iconSize(section).width();
}

double StatusMetricView::meterSideGap(MonitorSection section)
{
    return look().label(section) == MeterLabelStyle::letters ? 3.0 : 5.0;
}

double StatusMetricView::cpuReadoutWidth()
{
    return readoutRoom(textWidth(look().cpuReadout), meterSideGap(MonitorSection::cpu));
}

double StatusMetricView::itemWidth(MonitorSection section)
{
    const double label = labelWidth(section);
    const double gap = meterSideGap(section);
    const double room = readoutRoom(section, gap);
    switch (section) {
    case MonitorSection::cpu:
        return cpuMeterWidth(look().style) + (label + 1 + gap) + room + 1;
    case MonitorSection::memory:
    case MonitorSection::storage:
        // 0.4 is half the frame's line width, which reaches past the gauge's right edge.
        return label + 1 + gap + gaugeWidth + frameLineWidth / 2 + room + 1;
    case MonitorSection::sensors:
        if (look().label(section) == MeterLabelStyle::icons)
            return label + 1 + room + 1;
        return label + 1 + gap + iconSize(MonitorSection::sensors).width() + room + 1;
    }
    return 0.0;
}
