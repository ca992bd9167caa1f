#include "VantorShared/Panels/CompactHeader.h"

#include "VantorShared/Meters/SymbolImages.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PanelFonts.h"

#include <QPainter>

CompactHeader::CompactHeader(QString title, QString icon, QWidget* parent)
    : QWidget(parent)
    , m_title(std::move(title))
    , m_icon(std::move(icon))
{
    setFixedHeight(height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void CompactHeader::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = PanelEnvironment::of(this).dark;
    double x = 12;
    const double scale = devicePixelRatioF();
    const QImage symbol = SymbolImages::cached(m_icon, 13, PanelColors::headerBlue(dark), scale);
    if (!symbol.isNull()) {
        const QSizeF size = symbol.deviceIndependentSize();
        painter.drawImage(QPointF(x, (height - size.height()) / 2), symbol);
        x += size.width() + 8;
    }
    painter.setFont(PanelFonts::text(12, QFont::DemiBold));
    painter.setPen(PanelColors::primaryLabel(dark));
    painter.drawText(QRectF(x, 0, width() - x - 12, height), Qt::AlignVCenter | Qt::AlignLeft, m_title);
}
