#include "VantorAgent/Popovers/CoreCompactGraph.h"

#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kInset = 4;
constexpr double kSpacing = 1;

} // namespace

CoreCompactGraph::CoreCompactGraph(QWidget* parent)
    : UsageGraph(parent)
{
}

void CoreCompactGraph::setUsages(const QList<double>& usages)
{
    if (usages == m_usages)
        return;
    m_usages = usages;
    update();
}

double CoreCompactGraph::barHeight(double usage, double graphHeight)
{
    const double inner = std::max(0.0, graphHeight - 2 * kInset);
    const double value = std::isfinite(usage) ? std::clamp(usage, 0.0, 1.0) : 0.0;
    return std::min(std::max(value * 58, 1.5), inner);
}

void CoreCompactGraph::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = PanelEnvironment::of(this).dark;
    QPainterPath plate;
    plate.addRoundedRect(QRectF(rect()), 5, 5);
    painter.fillPath(plate, QColor::fromRgbF(0, 0, 0, 0.35f));
    const qsizetype n = m_usages.size();
    if (n == 0)
        return;
    const double inner = std::max(0.0, width() - 2 * kInset);
    const double barWidth = std::max(0.5, (inner - kSpacing * double(n - 1)) / double(n));
    const double bottom = height() - kInset;
    for (qsizetype i = 0; i < n; ++i) {
        const double usage = m_usages[i];
        const double h = barHeight(usage, height());
        const QRectF bar(kInset + double(i) * (barWidth + kSpacing), bottom - h, barWidth, h);
        painter.fillRect(bar, isBusy(usage) ? PanelColors::orange(dark) : PanelColors::cyan(dark));
    }
}
