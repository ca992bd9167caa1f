#include "VantorAgent/Popovers/MiniHistoryGraph.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr QRgb kUser = qRgba(41, 142, 189, 209); // premultiplied
constexpr QRgb kSystem = qRgba(242, 56, 46, 242);

// The same areas as antialiased polygons, the way a painter would fill them.
QImage painted(const QSize& size, const QRectF& canvas, const QList<double>& user, const QList<double>& system)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto unit = [](double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; };
    const qsizetype n = user.size();
    const auto x = [&](qsizetype i) { return canvas.left() + canvas.width() * double(i) / double(n - 1); };
    const auto y = [&](double share) { return canvas.bottom() - canvas.height() * share; };
    QPainterPath lower;
    lower.moveTo(x(0), canvas.bottom());
    for (qsizetype i = 0; i < n; ++i)
        lower.lineTo(x(i), y(unit(user[i])));
    lower.lineTo(x(n - 1), canvas.bottom());
    lower.closeSubpath();
    QPainterPath upper;
    upper.moveTo(x(0), y(unit(user[0])));
    for (qsizetype i = 0; i < n; ++i)
        upper.lineTo(x(i), y(unit(unit(user[i]) + unit(system[i]))));
    for (qsizetype i = n - 1; i >= 0; --i)
        upper.lineTo(x(i), y(unit(user[i])));
    upper.closeSubpath();
    painter.fillPath(lower, QColor::fromRgba(qUnpremultiply(kUser)));
    painter.fillPath(upper, QColor::fromRgba(qUnpremultiply(kSystem)));
    return image;
}

QImage columns(const QSize& size, const QRectF& canvas, const QList<double>& user, const QList<double>& system)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    MiniHistoryGraph::drawAreas(image, canvas, user, system, kUser, kSystem);
    return image;
}

// The summed alpha of each colour: how much of each area was drawn.
std::pair<double, double> coverage(const QImage& image)
{
    double blue = 0;
    double red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            blue += qBlue(pixel);
            red += qRed(pixel);
        }
    return {blue, red};
}

TEST(MiniHistoryGraphTest, ColumnsCoverWhatTheAntialiasedOutlineCovers)
{
    const QSize size(150, 70);
    const QRectF canvas(4, 4, 142, 62);
    const QList<double> user {0.1, 0.5, 0.2, 0.9, 0.0, 0.33, 0.34, 0.7, 0.05, 0.6};
    const QList<double> system {0.05, 0.1, 0.4, 0.2, 0.0, 0.12, 0.6, 0.5, 0.0, 0.2};
    const auto [paintedBlue, paintedRed] = coverage(painted(size, canvas, user, system));
    const auto [columnBlue, columnRed] = coverage(columns(size, canvas, user, system));
    EXPECT_NEAR(columnBlue / paintedBlue, 1.0, 0.02);
    EXPECT_NEAR(columnRed / paintedRed, 1.0, 0.02);

    // Pixel for pixel: alike inside the areas, and nothing outside the canvas.
    const QImage a = painted(size, canvas, user, system);
    const QImage b = columns(size, canvas, user, system);
    int far = 0;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (std::abs(qAlpha(p) - qAlpha(q)) > 128)
                ++far;
            if (!canvas.adjusted(-1, -1, 1, 1).contains(QPointF(x + 0.5, y + 0.5))) {
                EXPECT_EQ(qAlpha(q), 0) << x << "," << y;
            }
        }
    // Only where a steep edge crosses a column do the two differ by more than half.
    EXPECT_LT(far, 40);
}

TEST(MiniHistoryGraphTest, SharesAreClampedAndShortHistoriesDrawNothing)
{
    const QSize size(40, 30);
    const QRectF canvas(0, 0, 40, 30);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // A user share above 1 fills the column; the system share on top of it has no room left.
    QImage full = columns(size, canvas, {1.5, 2.0}, {0.5, nan});
    EXPECT_EQ(full.pixel(20, 0), kUser);
    EXPECT_EQ(full.pixel(20, 29), kUser);
    // Unreadable values count as 0.
    QImage empty = columns(size, canvas, {nan, -1}, {nan, nan});
    EXPECT_EQ(qAlpha(empty.pixel(20, 29)), 0);
    // Half of the height, the edge running through a row boundary.
    QImage half = columns(size, canvas, {0.5, 0.5}, {0.0, 0.0});
    EXPECT_EQ(qAlpha(half.pixel(10, 14)), 0);
    EXPECT_EQ(half.pixel(10, 15), kUser);
    EXPECT_EQ(qAlpha(columns(size, canvas, {0.5}, {0.5}).pixel(10, 29)), 0);
}

} // namespace
