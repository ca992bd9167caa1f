#include "VantorAgent/Popovers/MiniHistoryGraph.h"

#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

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

QPainterPath MiniHistoryGraph::areaPath(
    const QList<double>& values, const QList<double>* stackedOn, const QSizeF& size, double inset)
{
    QPainterPath path;
    const qsizetype n = values.size();
    if (n < 2)
        return path;
    const double w = std::max(0.0, size.width() - 2 * inset);
    const double h = std::max(0.0, size.height() - 2 * inset);
    const double step = w / double(n - 1);
    const auto y = [&](qsizetype i) {
        double value = unit(values[i]);
        if (stackedOn && i < stackedOn->size())
            value = unit(value + unit((*stackedOn)[i]));
        return inset + h * (1 - value);
    };
    const auto baseY = [&](qsizetype i) {
        if (!stackedOn || i >= stackedOn->size())
            return inset + h;
        return inset + h * (1 - unit((*stackedOn)[i]));
    };
    path.moveTo(inset, baseY(0));
    for (qsizetype i = 0; i < n; ++i)
        path.lineTo(inset + double(i) * step, y(i));
    // Back along the base, so a stacked area fills only its own band.
    for (qsizetype i = n - 1; i >= 0; --i)
        path.lineTo(inset + double(i) * step, baseY(i));
    path.closeSubpath();
    return path;
}

void MiniHistoryGraph::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = PanelEnvironment::of(this).dark;
    QPainterPath plate;
    plate.addRoundedRect(QRectF(rect()), 5, 5);
    painter.fillPath(plate, QColor::fromRgbF(0, 0, 0, 0.35f));
    // No clip to the plate: the areas keep 4 points inside it, where its 5-point corners never
    // reach, and an antialiased clip path costs more than everything else drawn here.
    QColor user = PanelColors::cyan(dark);
    user.setAlphaF(0.82f);
    QColor system = PanelColors::red(dark);
    system.setAlphaF(0.95f);
    const QSizeF size = QSizeF(this->size());
    painter.fillPath(areaPath(m_user, nullptr, size, 4), user);
    painter.fillPath(areaPath(m_system, &m_user, size, 4), system);
}
