#include "VantorShared/Panels/LineText.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

QImage drawn(LineText& line, const QString& text, qreal width, bool elide)
{
    QImage image(160, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    line.draw(painter, QRectF(0, 0, width, 20), Qt::AlignRight, text, QFont(QStringLiteral("DejaVu Sans"), 10), elide);
    return image;
}

} // namespace

// A line that keeps layouts must draw every text, old or new, elided to any room, exactly as a
// line that never drew anything before.
TEST(LineText, KeptLayoutsDrawAsFreshOnes)
{
    LineText kept;
    const QFont font(QStringLiteral("DejaVu Sans"), 10);
    const struct {
        const char* text;
        qreal width;
        bool elide;
    } steps[] = {{"12%", 150, false}, {"13%", 150, false}, {"12%", 150, false}, {"kworker/u8:2-events", 60, true},
        {"kworker/u8:2-events", 150, true}, {"7%", 150, false}, {"8%", 150, false}, {"9%", 150, false},
        {"12%", 150, false}, {"kworker/u8:2-events", 60, true}};
    for (const auto& step : steps) {
        const QString text = QString::fromLatin1(step.text);
        LineText fresh;
        EXPECT_EQ(drawn(kept, text, step.width, step.elide), drawn(fresh, text, step.width, step.elide))
            << step.text << " in " << step.width;
        LineText measured;
        EXPECT_DOUBLE_EQ(kept.width(text, font), measured.width(text, font)) << step.text;
    }
}
