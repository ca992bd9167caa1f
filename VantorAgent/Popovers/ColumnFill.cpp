#include "VantorAgent/Popovers/ColumnFill.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

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
    if (!(bottom > top) || column < 0 || column >= image.width())
        return;
    const int first = std::max(0, int(std::floor(top)));
    const int last = std::min(image.height() - 1, int(std::ceil(bottom)) - 1);
    for (int row = first; row <= last; ++row) {
        const double coverage = std::min(double(row + 1), bottom) - std::max(double(row), top);
        if (coverage <= 0)
            continue;
        auto* pixel = reinterpret_cast<QRgb*>(image.scanLine(row)) + column;
        if (coverage < 1) {
            *pixel = over(*pixel, m_color, coverage);
            continue;
        }
        if (*pixel != m_under || !m_known) {
            m_under = *pixel;
            m_result = over(*pixel, m_color, 1);
            m_known = true;
        }
        *pixel = m_result;
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
