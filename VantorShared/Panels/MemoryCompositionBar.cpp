#include "VantorShared/Panels/MemoryCompositionBar.h"

#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

// Garbage (negative or not a number) counts as nothing rather than bending the other shares.
double sane(double fraction)
{
    return std::isfinite(fraction) && fraction > 0 ? fraction : 0;
}

} // namespace

MemoryCompositionBar::MemoryCompositionBar(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(8);
}

void MemoryCompositionBar::setFractions(double wired, double active, double compressed, double available)
{
    const std::array<double, 4> fractions {wired, active, compressed, available};
    if (fractions == m_fractions)
        return;
    m_fractions = fractions;
    update();
}

std::array<double, 4> MemoryCompositionBar::segmentWidths(
    double wired, double active, double compressed, double available, double width)
{
    width = std::isfinite(width) ? std::max(width, 0.0) : 0;
    const double divisor = std::max(sane(wired) + sane(active) + sane(compressed) + sane(available), 1.0);
    std::array<double, 4> widths {};
    double x = 0;
    const std::array<double, 3> parts {sane(wired), sane(active), sane(compressed)};
    for (size_t i = 0; i < parts.size(); ++i) {
        widths[i] = std::min(width * parts[i] / divisor, std::max(0.0, width - x));
        x += widths[i];
    }
    widths[3] = std::max(0.0, width - x);
    return widths;
}

void MemoryCompositionBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = PanelEnvironment::of(this).dark;
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), 2, 2);
    painter.setClipPath(clip);
    const auto widths = segmentWidths(m_fractions[0], m_fractions[1], m_fractions[2], m_fractions[3], width());
    const std::array<QColor, 4> colors {PanelColors::cyan(dark), PanelColors::red(dark), PanelColors::purple(dark),
        PanelColors::progressTrackColor(dark)};
    double x = 0;
    for (size_t i = 0; i < widths.size(); ++i) {
        painter.fillRect(QRectF(x, 0, widths[i], height()), colors[i]);
        x += widths[i];
    }
}
