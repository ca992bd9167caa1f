#include "VantorShared/Panels/MetricProgressBar.h"

#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

MetricProgressBar::MetricProgressBar(double value, std::optional<QColor> fillColor, QWidget* parent)
    : QWidget(parent)
    , m_value(value)
    , m_fillColor(std::move(fillColor))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(4);
}

void MetricProgressBar::setValue(double value)
{
    if (m_value == value)
        return;
    m_value = value;
    update();
}

void MetricProgressBar::setFillColor(std::optional<QColor> color)
{
    if (m_fillColor == color)
        return;
    m_fillColor = std::move(color);
    update();
}

double MetricProgressBar::fillWidth(double value, double width)
{
    if (!(value > 0) || !(width > 0))
        return 0;
    return width * std::min(value, 1.0);
}

void MetricProgressBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = PanelEnvironment::of(this).dark;
    QPainterPath track;
    track.addRoundedRect(QRectF(rect()), 2, 2);
    painter.fillPath(track, PanelColors::progressTrackColor(dark));
    const double filled = fillWidth(m_value, width());
    if (filled <= 0)
        return;
    QPainterPath fill;
    fill.addRoundedRect(QRectF(0, 0, filled, height()), 2, 2);
    painter.fillPath(fill, m_fillColor.value_or(PanelColors::progressFillColor(dark)));
}
