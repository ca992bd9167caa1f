#include "Vantor/Pages/AccentSwatch.h"

#include <QGuiApplication>
#include <QHash>
#include <QPainter>

namespace AccentSwatch {

QPixmap image(const MeterAccent& accent, int size)
{
    static QHash<QString, QPixmap> cache;
    const QString key = accent.rawValue() + QLatin1Char('@') + QString::number(size);
    if (const auto found = cache.constFind(key); found != cache.cend())
        return *found;

    // Drawn for the sharpest screen there is, so it stays crisp wherever the menu opens.
    const double scale = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(size, size) * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(accent.color());
    painter.setPen(QPen(QColor(0, 0, 0, 64), 1));
    painter.drawRoundedRect(QRectF(0, 0, size, size).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    painter.end();
    cache.insert(key, pixmap);
    return pixmap;
}

} // namespace AccentSwatch
