#include "VantorAgent/Popovers/HardwareUtilizationRow.h"

#include "VantorShared/Panels/MetricProgressBar.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PanelFonts.h"
#include "VantorShared/Panels/PanelFormat.h"

#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace {

constexpr int kTitleColumn = 44;
constexpr int kValueColumn = 34;
constexpr int kGap = 6;

} // namespace

HardwareUtilizationRow::HardwareUtilizationRow(QString title, QColor color, QWidget* parent)
    : QWidget(parent)
    , m_title(std::move(title))
    , m_valueText(text(std::nullopt))
    , m_bar(new MetricProgressBar(0, color, this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
}

QString HardwareUtilizationRow::text(std::optional<double> fraction)
{
    if (!fraction || !std::isfinite(*fraction))
        return QStringLiteral("—");
    return PanelFormat::percentOfFraction(*fraction);
}

void HardwareUtilizationRow::setValue(std::optional<double> fraction)
{
    m_bar->setValue(fraction && std::isfinite(*fraction) ? *fraction : 0);
    const QString value = text(fraction);
    if (value == m_valueText)
        return;
    m_valueText = value;
    // Only the figure changed; the bar redraws itself.
    update(valueRect());
}

QRect HardwareUtilizationRow::valueRect() const
{
    return {width() - kValueColumn, 0, kValueColumn, height()};
}

QSize HardwareUtilizationRow::sizeHint() const
{
    return {200, QFontMetrics(PanelFonts::text(10)).height()};
}

void HardwareUtilizationRow::resizeEvent(QResizeEvent*)
{
    const int barWidth = std::max(0, width() - kTitleColumn - kValueColumn - 2 * kGap);
    m_bar->setGeometry(kTitleColumn + kGap, (height() - 4) / 2, barWidth, 4);
}

void HardwareUtilizationRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool dark = PanelEnvironment::of(this).dark;
    painter.setPen(PanelColors::secondaryLabel(dark));
    m_titleLine.draw(painter, QRectF(0, 0, kTitleColumn, height()), Qt::AlignLeft, m_title, PanelFonts::text(10), true);
    painter.setPen(PanelColors::primaryLabel(dark));
    m_valueLine.draw(painter, QRectF(valueRect()), Qt::AlignRight, m_valueText, PanelFonts::digits(10));
}
