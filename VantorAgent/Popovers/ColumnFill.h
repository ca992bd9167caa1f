#pragma once

#include <QImage>
#include <QRgb>

// One colour laid over single columns of a premultiplied ARGB image, a pixel an edge crosses
// taking it in proportion to the part of the pixel inside: how the panel's graphs are drawn
// every second without rasterising a path. Inside a graph's plate every pixel is the plate's own
// colour, so the colour over a whole pixel is worked out once and reused while the pixel under it
// stays the same.
class ColumnFill {
public:
    // `color` premultiplied.
    explicit ColumnFill(QRgb color);

    // Covers rows [top, bottom) of `column` (in the image's pixels, fractions allowed).
    void fill(QImage& image, int column, double top, double bottom);

    // `color` over `pixel` (both premultiplied) at `coverage` in [0, 1].
    static QRgb over(QRgb pixel, QRgb color, double coverage);

    // A picture of `size` logical pixels at `ratio` with the graphs' rounded plate in `color`,
    // the rest transparent: the backdrop a graph copies before it lays its columns over it.
    static QImage plate(const QSize& size, qreal ratio, const QColor& color);
    // Makes `frame` a copy of `plate` to lay columns over, reusing its pixels when the size and
    // scale are the same, so that a graph's repaint allocates nothing.
    static void copy(const QImage& plate, QImage& frame);

private:
    QRgb m_color;
    QRgb m_under = 0;
    QRgb m_result = 0;
    bool m_known = false;
};
