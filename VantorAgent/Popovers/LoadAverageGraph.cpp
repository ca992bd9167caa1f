#include "VantorAgent/Popovers/LoadAverageGraph.h"

#include "VantorAgent/Popovers/ColumnFill.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PanelFonts.h"
#include "VantorShared/Panels/PanelFormat.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

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

void LoadAverageGraph::drawLine(
    QImage& image, const QRectF& canvas, const QList<double>& values, double scale, QRgb color, double width)
{
    const qsizetype n = values.size();
    if (n < 2 || canvas.width() <= 0)
        return;
    // The line's height at each sample, worked out once.
    thread_local std::vector<double> heights;
    heights.resize(size_t(n));
    for (qsizetype i = 0; i < n; ++i) {
        double value = std::isfinite(values[i]) ? values[i] : 0;
        if (scale > 1)
            value /= scale;
        heights[size_t(i)] = canvas.bottom() - std::clamp(value, 0.0, 1.0) * canvas.height();
    }
    const auto y = [&](qsizetype i) { return heights[size_t(i)]; };
    const double step = canvas.width() / double(n - 1);
    // The line's height where it crosses x, straight between the samples.
    const auto at = [&](double x) {
        const double position = std::clamp((x - canvas.left()) / step, 0.0, double(n - 1));
        const qsizetype i = std::min(n - 2, qsizetype(position));
        return y(i) + (y(i + 1) - y(i)) * (position - double(i));
    };
    ColumnFill fill(color);
    const double half = width / 2;
    const int firstColumn = std::max(0, int(std::floor(canvas.left())));
    const int lastColumn = std::min(image.width() - 1, int(std::ceil(canvas.right())) - 1);
    for (int column = firstColumn; column <= lastColumn; ++column) {
        // Within a column the line runs between its heights at the column's two sides, bending at
        // any sample in between; the column is covered from the highest to the lowest of them,
        // widened by half the line's width each way.
        const double left = std::max(double(column), canvas.left());
        const double right = std::min(double(column + 1), canvas.right());
        if (right <= left)
            continue;
        double high = std::min(at(left), at(right));
        double low = std::max(at(left), at(right));
        for (auto i = qsizetype(std::ceil((left - canvas.left()) / step));
             i < n && canvas.left() + double(i) * step < right; ++i) {
            high = std::min(high, y(i));
            low = std::max(low, y(i));
        }
        fill.fill(image, column, high - half, low + half);
    }
}

const QImage& LoadAverageGraph::backdrop(double peak, bool dark)
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
    m_backdrop = ColumnFill::plate(size(), ratio, QColor::fromRgbF(0, 0, 0, dark ? 0.25f : 0.10f));
    QPainter painter(&m_backdrop);
    painter.setRenderHint(QPainter::Antialiasing);
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
    if (size().isEmpty())
        return;
    const bool dark = PanelEnvironment::of(this).dark;
    const double top = peak({&m_histories[0], &m_histories[1], &m_histories[2]});
    const QImage& plate = backdrop(top, dark);
    // The lines are laid over a copy of the plate and caption, column by column.
    ColumnFill::copy(plate, m_frame);
    const qreal ratio = devicePixelRatioF();
    const QRectF canvas(kInset * ratio, kInset * ratio, (width() - 2 * kInset) * ratio,
        std::max(0.0, height() - 2 * kInset - kCaptionHeight) * ratio);
    const double divisor = scale(top, m_coreCount);
    const std::array<QColor, 3> colors {PanelColors::cyan(dark), PanelColors::red(dark), PanelColors::gray(dark)};
    for (size_t i = 0; i < m_histories.size(); ++i)
        drawLine(m_frame, canvas, m_histories[i], divisor, qPremultiply(colors[i].rgba()), 1.5 * ratio);
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), m_frame);
}
