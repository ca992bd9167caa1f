#include "VantorAgent/Popovers/MiniHistoryGraph.h"

#include "VantorAgent/Popovers/ColumnFill.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kInset = 4;

double unit(double value)
{
    return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
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
    ColumnFill userFill(userColor);
    ColumnFill systemFill(systemColor);
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
        userFill.fill(image, column, userEdge, bottom);
        systemFill.fill(image, column, systemEdge, userEdge);
    }
}

void MiniHistoryGraph::paintEvent(QPaintEvent*)
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (pixels.isEmpty())
        return;
    if (m_plate.size() != pixels || m_plate.devicePixelRatio() != ratio)
        m_plate = ColumnFill::plate(size(), ratio, QColor::fromRgbF(0, 0, 0, 0.35f));
    // The plate is copied rather than painted: the areas are laid over it pixel by pixel, and
    // keep 4 points inside it, where its 5-point corners never reach.
    ColumnFill::copy(m_plate, m_frame);
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
