#include "VantorAgent/Popovers/LoadAverageGraph.h"

#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PanelFonts.h"
#include "VantorShared/Panels/PanelFormat.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kInset = 4;
constexpr double kCaptionHeight = 12;

} // namespace

LoadAverageGraph::LoadAverageGraph(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(int(std::lround(PanelEnvironment::of(this).metrics.loadGraphHeight)));
}

bool LoadAverageGraph::event(QEvent* event)
{
    if (event->type() == PanelEnvironment::changeType() || event->type() == QEvent::ParentChange)
        setFixedHeight(int(std::lround(PanelEnvironment::of(this).metrics.loadGraphHeight)));
    return QWidget::event(event);
}

QSize LoadAverageGraph::sizeHint() const
{
    return {180, height()};
}

void LoadAverageGraph::setHistories(
    const QList<double>& one, const QList<double>& five, const QList<double>& fifteen, int coreCount)
{
    if (m_histories[0] == one && m_histories[1] == five && m_histories[2] == fifteen && m_coreCount == coreCount)
        return;
    m_histories = {one, five, fifteen};
    m_coreCount = coreCount;
    update();
}

double LoadAverageGraph::peak(const std::array<const QList<double>*, 3>& histories)
{
    double peak = 0;
    for (const QList<double>* history : histories)
        for (const double value : *history)
            if (std::isfinite(value))
                peak = std::max(peak, value);
    return peak;
}

double LoadAverageGraph::scale(double peak, int coreCount)
{
    return std::max(peak, double(coreCount));
}

QPainterPath LoadAverageGraph::linePath(const QList<double>& values, const QSizeF& size, double scale)
{
    QPainterPath path;
    const qsizetype n = values.size();
    if (n < 2)
        return path;
    for (qsizetype i = 0; i < n; ++i) {
        double value = std::isfinite(values[i]) ? values[i] : 0;
        if (scale > 1)
            value /= scale;
        value = std::clamp(value, 0.0, 1.0);
        const QPointF point(double(i) * size.width() / double(n - 1), size.height() - value * size.height());
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    return path;
}

void LoadAverageGraph::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = PanelEnvironment::of(this).dark;
    QPainterPath plate;
    plate.addRoundedRect(QRectF(rect()), 5, 5);
    painter.fillPath(plate, QColor::fromRgbF(0, 0, 0, dark ? 0.25f : 0.10f));

    const double top = peak({&m_histories[0], &m_histories[1], &m_histories[2]});
    const QString caption = AppLanguage::string(QStringLiteral("Peak ")) + PanelFormat::number(top, 2)
        + AppLanguage::string(QStringLiteral(" of ")) + PanelFormat::number(m_coreCount, 0)
        + AppLanguage::string(QStringLiteral(" cores"));
    painter.setFont(PanelFonts::digits(9));
    painter.setPen(PanelColors::secondaryLabel(dark));
    painter.drawText(QRectF(kInset + 2, height() - kInset - kCaptionHeight, width() - 2 * kInset, kCaptionHeight),
        Qt::AlignLeft | Qt::AlignVCenter, caption);

    const QSizeF canvas(width() - 2 * kInset, std::max(0.0, height() - 2 * kInset - kCaptionHeight));
    const double divisor = scale(top, m_coreCount);
    const std::array<QColor, 3> colors {PanelColors::cyan(dark), PanelColors::red(dark), PanelColors::gray(dark)};
    painter.translate(kInset, kInset);
    for (size_t i = 0; i < m_histories.size(); ++i) {
        painter.setPen(QPen(colors[i], 1.5));
        painter.drawPath(linePath(m_histories[i], canvas, divisor));
    }
}
