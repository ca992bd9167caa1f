#include "VantorAgent/Popovers/ColumnFill.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstring>

ColumnFill::ColumnFill(QRgb color)
    : m_color(color)
{
}

QRgb ColumnFill::over(QRgb pixel, QRgb color, double coverage)
{
    const auto scale = [](unsigned channel, double factor) { return unsigned(channel * factor + 0.5); };
    const double keep = 1.0 - qAlpha(color) * coverage / 255.0;
    return qRgba(int(std::min(255u, scale(qRed(color), coverage) + scale(qRed(pixel), keep))),
        int(std::min(255u, scale(qGreen(color), coverage) + scale(qGreen(pixel), keep))),
        int(std::min(255u, scale(qBlue(color), coverage) + scale(qBlue(pixel), keep))),
        int(std::min(255u, scale(qAlpha(color), coverage) + scale(qAlpha(pixel), keep))));
}

void ColumnFill::fill(QImage& image, int column, double top, double bottom)
{
    if (column < 0 || column >= image.width())
        return;
    top = std::max(top, 0.0);
    bottom = std::min(bottom, double(image.height()));
    if (!(bottom > top))
        return;
    const qsizetype stride = image.bytesPerLine() / qsizetype(sizeof(QRgb));
    QRgb* const first = reinterpret_cast<QRgb*>(image.bits()) + column;
    const auto pixel = [&](int row) -> QRgb& { return first[qsizetype(row) * stride]; };
    const int wholeFrom = int(std::ceil(top));
    const int wholeTo = int(std::floor(bottom));
    if (wholeTo < wholeFrom) {
        // Both edges cross the same row.
        QRgb& only = pixel(wholeTo);
        only = over(only, m_color, bottom - top);
        return;
    }
    if (double(wholeFrom) > top) {
        QRgb& edge = pixel(wholeFrom - 1);
        edge = over(edge, m_color, double(wholeFrom) - top);
    }
    for (int row = wholeFrom; row < wholeTo; ++row) {
        QRgb& inside = pixel(row);
        if (inside != m_under || !m_known) {
            m_under = inside;
            m_result = over(inside, m_color, 1);
            m_known = true;
        }
        inside = m_result;
    }
    if (bottom > double(wholeTo)) {
        QRgb& edge = pixel(wholeTo);
        edge = over(edge, m_color, bottom - double(wholeTo));
    }
}

QImage ColumnFill::plate(const QSize& size, qreal ratio, const QColor& color)
{
    QImage image((QSizeF(size) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), 5, 5);
    painter.fillPath(outline, color);
    return image;
}

void ColumnFill::copy(const QImage& plate, QImage& frame)
{
    if (frame.size() != plate.size() || frame.format() != plate.format()
        || frame.devicePixelRatio() != plate.devicePixelRatio()) {
        frame = QImage(plate.size(), plate.format());
        frame.setDevicePixelRatio(plate.devicePixelRatio());
    }
    std::memcpy(frame.bits(), plate.constBits(), size_t(plate.sizeInBytes()));
}
