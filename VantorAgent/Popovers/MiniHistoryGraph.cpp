#include "VantorAgent/Popovers/MiniHistoryGraph.h"

#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double kInset = 4;

double unit(double value)
{
    return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
}

// `color` (premultiplied) over `pixel` (premultiplied) at `coverage` in [0, 1].
QRgb over(QRgb pixel, QRgb color, double coverage)
{
    const auto scale = [](unsigned channel, double factor) { return unsigned(channel * factor + 0.5); };
    const double keep = 1.0 - qAlpha(color) * coverage / 255.0;
    return qRgba(int(std::min(255u, scale(qRed(color), coverage) + scale(qRed(pixel), keep))),
        int(std::min(255u, scale(qGreen(color), coverage) + scale(qGreen(pixel), keep))),
        int(std::min(255u, scale(qBlue(color), coverage) + scale(qBlue(pixel), keep))),
        int(std::min(255u, scale(qAlpha(color), coverage) + scale(qAlpha(pixel), keep))));
}

// Fills rows [top, bottom) of one column, the partly covered rows at either end in proportion.
void fillSpan(QImage& image, int column, double top, double bottom, QRgb color)
{
    if (!(bottom > top))
        return;
    const int first = std::max(0, int(std::floor(top)));
    const int last = std::min(image.height() - 1, int(std::ceil(bottom)) - 1);
    for (int row = first; row <= last; ++row) {
        const double coverage = std::min(double(row + 1), bottom) - std::max(double(row), top);
        if (coverage <= 0)
            continue;
        auto* pixel = reinterpret_cast<QRgb*>(image.scanLine(row)) + column;
        *pixel = coverage >= 1 && qAlpha(color) == 255 ? color : over(*pixel, color, std::min(coverage, 1.0));
    }
}

} // namespace

MiniHistoryGraph::MiniHistoryGraph(QWidget* parent)
    : UsageGraph(parent)
{
}

void MiniHistoryGraph::setHistories(const QList<double>& user, const QList<double>& system)
{
    if (user == m_user && system == m_system)
        return;
    m_user = user;
    m_system = system;
    update();
}

void MiniHistoryGraph::drawAreas(QImage& image, const QRectF& canvas, const QList<double>& user,
    const QList<double>& system, QRgb userColor, QRgb systemColor)
{
    const qsizetype n = user.size();
    if (n < 2 || canvas.width() <= 0 || canvas.height() <= 0)
        return;
    const double h = canvas.height();
    const double bottom = canvas.bottom();
    const double step = canvas.width() / double(n - 1);
    const auto userTop = [&](qsizetype i) { return bottom - h * unit(user[i]); };
    const auto systemTop = [&](qsizetype i) {
        const double stacked = i < system.size() ? unit(unit(system[i]) + unit(user[i])) : unit(user[i]);
        return bottom - h * stacked;
    };
    const int firstColumn = std::max(0, int(std::floor(canvas.left())));
    const int lastColumn = std::min(image.width() - 1, int(std::ceil(canvas.right())) - 1);
    for (int column = firstColumn; column <= lastColumn; ++column) {
        // The edges at the column's centre, straight between the samples as the area's outline is.
        const double centre = column + 0.5;
        if (centre < canvas.left() || centre > canvas.right())
            continue;
        const double position = (centre - canvas.left()) / step;
        const qsizetype i = std::min(n - 2, qsizetype(position));
        const double f = position - double(i);
        const double userEdge = userTop(i) + (userTop(i + 1) - userTop(i)) * f;
        const double systemEdge = systemTop(i) + (systemTop(i + 1) - systemTop(i)) * f;
        fillSpan(image, column, userEdge, bottom, userColor);
        fillSpan(image, column, systemEdge, userEdge, systemColor);
    }
}

void MiniHistoryGraph::paintEvent(QPaintEvent*)
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (pixels.isEmpty())
        return;
    if (m_plate.size() != pixels || m_plate.devicePixelRatio() != ratio) {
        m_plate = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_plate.setDevicePixelRatio(ratio);
        m_plate.fill(Qt::transparent);
        QPainter plate(&m_plate);
        plate.setRenderHint(QPainter::Antialiasing);
        QPainterPath outline;
        outline.addRoundedRect(QRectF(rect()), 5, 5);
        plate.fillPath(outline, QColor::fromRgbF(0, 0, 0, 0.35f));
        m_frame = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_frame.setDevicePixelRatio(ratio);
    }
    // The plate is copied rather than painted: the areas are laid over it pixel by pixel, and
    // keep 4 points inside it, where its 5-point corners never reach.
    std::memcpy(m_frame.bits(), m_plate.constBits(), size_t(m_plate.sizeInBytes()));
    const bool dark = PanelEnvironment::of(this).dark;
    QColor user = PanelColors::cyan(dark);
    user.setAlphaF(0.82f);
    QColor system = PanelColors::red(dark);
    system.setAlphaF(0.95f);
    const QRectF canvas(
        kInset * ratio, kInset * ratio, (width() - 2 * kInset) * ratio, (height() - 2 * kInset) * ratio);
    drawAreas(m_frame, canvas, m_user, m_system, qPremultiply(user.rgba()), qPremultiply(system.rgba()));
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), m_frame);
}
