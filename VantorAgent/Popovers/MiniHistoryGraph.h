#pragma once

#include "VantorAgent/Popovers/UsageGraph.h"

#include <QImage>
#include <QList>
#include <QRectF>
#include <QRgb>

// The recent processor history: the user share as a cyan area with the system share stacked on
// it in red, oldest on the left, on a dark rounded plate.
class MiniHistoryGraph : public UsageGraph {
    Q_OBJECT
public:
    explicit MiniHistoryGraph(QWidget* parent = nullptr);

    void setHistories(const QList<double>& user, const QList<double>& system);

    // Lays the two areas over `image` (premultiplied ARGB) within `canvas` (in the image's pixels):
    // x spreads the values over the width, the user area rises from the bottom by its share and
    // the system area is stacked on it, value for value, each share clamped to [0, 1]. The image
    // is filled column by column: the pixels inside an area take its colour (premultiplied), the
    // pixel an area's edge crosses takes it in proportion to the part of it inside, so the edges
    // are smooth without a path being rasterised. Nothing is drawn with fewer than two values.
    static void drawAreas(QImage& image, const QRectF& canvas, const QList<double>& user, const QList<double>& system,
        QRgb userColor, QRgb systemColor);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<double> m_user;
    QList<double> m_system;
    // The plate alone, made again only for a new size; the frame is the plate with the areas.
    QImage m_plate;
    QImage m_frame;
};
