#include "Vantor/AgentControl/SidebarSignalIcon.h"

#include "VantorShared/Meters/SymbolImages.h"

#include <QPainter>
#include <QSvgRenderer>

namespace {

// The picture sits a little low and right of centre, so its visual weight lines up with the title
// beside it.
constexpr QPointF imageOffset {0.5, 1.0};

} // namespace

SidebarSignalIcon::SidebarSignalIcon(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(side, side);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

bool SidebarSignalIcon::hasImage() const
{
    const QString path = SymbolImages::path(imageName);
    return !path.isEmpty() && QSvgRenderer(path).isValid();
}

void SidebarSignalIcon::paintEvent(QPaintEvent*)
{
    const QString path = SymbolImages::path(imageName);
    if (path.isEmpty())
        return;
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return;
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    // Scaled to fit, keeping the picture's proportions.
    QSizeF size = renderer.viewBoxF().size();
    if (size.isEmpty())
        size = QSizeF(side, side);
    size.scale(QSizeF(side - 1, side - 1), Qt::KeepAspectRatio);
    const QRectF target(QPointF((side - size.width()) / 2, (side - size.height()) / 2) + imageOffset, size);
    renderer.render(&painter, target);
}
