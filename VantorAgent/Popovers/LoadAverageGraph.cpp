#include "VantorAgent/Popovers/LoadAverageGraph.h"

#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PanelFonts.h"
#include "VantorShared/Panels/PanelFormat.h"

#include <QPainter>
#include <QPainterPath>

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

void LoadAverageGraph::lineSegments(const QList<double>& values, const QSizeF& size, double scale, QList<QLineF>& out)
{
    out.clear();
    const qsizetype n = values.size();
    if (n < 2)
        return;
    const auto point = [&](qsizetype i) {
        double value = std::isfinite(values[i]) ? values[i] : 0;
        if (scale > 1)
            value /= scale;
        value = std::clamp(value, 0.0, 1.0);
        return QPointF(double(i) * size.width() / double(n - 1), size.height() - value * size.height());
    };
    QPointF from = point(0);
    QPointF to = point(1);
    for (qsizetype i = 2; i < n; ++i) {
        const QPointF next = point(i);
        // A level stretch is one segment: the load averages change only every few seconds.
        if (from.y() == to.y() && to.y() == next.y()) {
            to = next;
            continue;
        }
        out.append(QLineF(from, to));
        from = to;
        to = next;
    }
    out.append(QLineF(from, to));
}

const QPixmap& LoadAverageGraph::backdrop(double peak, bool dark)
{
    const QString language = AppLanguage::code();
    if (peak != m_captionPeak || m_coreCount != m_captionCores || language != m_captionLanguage) {
        m_caption = AppLanguage::string(QStringLiteral("Peak ")) + PanelFormat::number(peak, 2)
            + AppLanguage::string(QStringLiteral(" of ")) + PanelFormat::number(m_coreCount, 0)
            + AppLanguage::string(QStringLiteral(" cores"));
        m_captionPeak = peak;
        m_captionCores = m_coreCount;
        m_captionLanguage = language;
    }
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_backdrop.size() == pixels && m_backdrop.devicePixelRatio() == ratio && m_backdropDark == dark
        && m_backdropCaption == m_caption)
        return m_backdrop;
    m_backdrop = QPixmap(pixels);
    m_backdrop.setDevicePixelRatio(ratio);
    m_backdrop.fill(Qt::transparent);
    QPainter painter(&m_backdrop);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath plate;
    plate.addRoundedRect(QRectF(rect()), 5, 5);
    painter.fillPath(plate, QColor::fromRgbF(0, 0, 0, dark ? 0.25f : 0.10f));
    painter.setFont(PanelFonts::digits(9));
    painter.setPen(PanelColors::secondaryLabel(dark));
    painter.drawText(QRectF(kInset + 2, height() - kInset - kCaptionHeight, width() - 2 * kInset, kCaptionHeight),
        Qt::AlignLeft | Qt::AlignVCenter, m_caption);
    m_backdropDark = dark;
    m_backdropCaption = m_caption;
    return m_backdrop;
}

void LoadAverageGraph::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool dark = PanelEnvironment::of(this).dark;
    const double top = peak({&m_histories[0], &m_histories[1], &m_histories[2]});
    painter.drawPixmap(0, 0, backdrop(top, dark));

    painter.setRenderHint(QPainter::Antialiasing);
    const QSizeF canvas(width() - 2 * kInset, std::max(0.0, height() - 2 * kInset - kCaptionHeight));
    const double divisor = scale(top, m_coreCount);
    const std::array<QColor, 3> colors {PanelColors::cyan(dark), PanelColors::red(dark), PanelColors::gray(dark)};
    painter.translate(kInset, kInset);
    for (size_t i = 0; i < m_histories.size(); ++i) {
        // Separate segments take the raster engine's quick path for wide lines; the colours are
        // opaque, so where their ends overlap nothing shows.
        lineSegments(m_histories[i], canvas, divisor, m_segments);
        painter.setPen(QPen(colors[i], 1.5));
        painter.drawLines(m_segments);
    }
}
