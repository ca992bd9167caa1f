#include "VantorAgent/Popovers/ProcessMetricRow.h"

#include "VantorAgent/Popovers/ProcessIcon.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PanelFonts.h"

#include <QFontMetrics>
#include <QPainter>

#include <cmath>

ProcessMetricRow::ProcessMetricRow(QWidget* parent)
    : QWidget(parent)
    , m_icon(new ProcessIcon(0, this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
    m_icon->move(0, (height() - 14) / 2);
}

QSize ProcessMetricRow::sizeHint() const
{
    return {200, std::max(16, QFontMetrics(PanelFonts::text(10)).height())};
}

void ProcessMetricRow::setProcess(const ProcessMetric& process, const QString& value, const QString& secondValue)
{
    if (process.pid != m_process.pid)
        m_icon->setPid(process.pid);
    if (process == m_process && value == m_value && secondValue == m_secondValue)
        return;
    m_process = process;
    m_value = value;
    m_secondValue = secondValue;
    update();
}

void ProcessMetricRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool dark = PanelEnvironment::of(this).dark;
    const QFont valueFont = PanelFonts::digits(10, QFont::Medium);
    painter.setPen(PanelColors::primaryLabel(dark));
    int right = width();
    int valueLeft;
    if (m_secondValue.isEmpty()) {
        valueLeft = right - int(std::ceil(m_valueLine.width(m_value, valueFont)));
        m_valueLine.draw(painter, QRectF(0, 0, right, height()), Qt::AlignRight, m_value, valueFont);
    } else {
        valueLeft = right - 2 * columnWidth;
        m_secondLine.draw(
            painter, QRectF(right - columnWidth, 0, columnWidth, height()), Qt::AlignRight, m_secondValue, valueFont);
        m_valueLine.draw(painter, QRectF(valueLeft, 0, columnWidth, height()), Qt::AlignRight, m_value, valueFont);
    }
    const int nameLeft = 14 + 6;
    const int nameWidth = std::max(0, valueLeft - nameLeft - 6);
    m_nameLine.draw(
        painter, QRectF(nameLeft, 0, nameWidth, height()), Qt::AlignLeft, m_process.name, PanelFonts::text(10), true);
}
