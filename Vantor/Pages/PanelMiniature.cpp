#include "Vantor/Pages/PanelMiniature.h"

#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Meters/SymbolImages.h"

#include <QFont>
#include <QLinearGradient>
#include <QLocale>
#include <QPainter>

namespace PanelMiniature {

namespace {

constexpr double kPanelWidth = 300;
constexpr double kScale = 0.5;

struct Colours {
    QColor surface, text, secondary, track, bar, rule;
};

Colours colours(Scheme scheme, bool opaque)
{
    if (scheme == Scheme::dark)
        return {opaque ? QColor(38, 38, 42) : QColor(30, 30, 34, 190), QColor(245, 245, 247),
            QColor(235, 235, 245, 150), QColor(255, 255, 255, 36), QColor(48, 209, 88), QColor(255, 255, 255, 28)};
    return {opaque ? QColor(246, 246, 248) : QColor(255, 255, 255, 175), QColor(29, 29, 31), QColor(60, 60, 67, 150),
        QColor(0, 0, 0, 24), QColor(40, 180, 75), QColor(0, 0, 0, 20)};
}

QString memoryText(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

void valueRow(QPainter& painter, const Colours& c, double y, const QString& title, const QString& value)
{
    QFont font = painter.font();
    font.setPixelSize(13);
    font.setWeight(QFont::Normal);
    painter.setFont(font);
    painter.setPen(c.secondary);
    painter.drawText(QRectF(16, y, 170, 20), Qt::AlignLeft | Qt::AlignVCenter, title);
    font.setWeight(QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(c.text);
    painter.drawText(QRectF(150, y, kPanelWidth - 166, 20), Qt::AlignRight | Qt::AlignVCenter, value);
}

} // namespace

void paint(QPainter& painter, const QRectF& frame, Scheme scheme, const QString& background)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient wallpaper(frame.topLeft(), frame.bottomRight());
    if (scheme == Scheme::dark) {
        wallpaper.setColorAt(0, QColor::fromRgbF(0.16f, 0.2f, 0.55f));
        wallpaper.setColorAt(1, QColor::fromRgbF(0.55f, 0.2f, 0.5f));
    } else {
        wallpaper.setColorAt(0, QColor::fromRgbF(0.55f, 0.75f, 1.0f));
        wallpaper.setColorAt(1, QColor::fromRgbF(0.95f, 0.7f, 0.85f));
    }
    painter.fillRect(frame, wallpaper);

    // The panel is laid out at full size and drawn at half, its top-left part filling the tile.
    painter.translate(frame.topLeft() + QPointF(10, 9));
    painter.scale(kScale, kScale);
    const Colours c = colours(scheme, background == QLatin1String("opaque"));
    const QRectF panel(0, 0, kPanelWidth, 190);
    painter.setPen(QPen(c.rule, 1));
    painter.setBrush(c.surface);
    painter.drawRoundedRect(panel, 16, 16);

    const QImage symbol = SymbolImages::render(QStringLiteral("memorychip"), 15, c.text, 2 * kScale * 2);
    if (!symbol.isNull())
        painter.drawImage(QPointF(16, 17), symbol);
    QFont font = painter.font();
    font.setPixelSize(16);
    font.setWeight(QFont::Bold);
    painter.setFont(font);
    painter.setPen(c.text);
    painter.drawText(
        QRectF(42, 12, 220, 28), Qt::AlignLeft | Qt::AlignVCenter, AppLanguage::string(QStringLiteral("Memory")));

    font.setPixelSize(11);
    font.setWeight(QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(c.secondary);
    painter.drawText(
        QRectF(16, 52, 220, 16), Qt::AlignLeft | Qt::AlignVCenter, AppLanguage::string(QStringLiteral("PRESSURE")));
    const QRectF track(16, 74, kPanelWidth - 32, 8);
    painter.setPen(Qt::NoPen);
    painter.setBrush(c.track);
    painter.drawRoundedRect(track, 4, 4);
    painter.setBrush(c.bar);
    painter.drawRoundedRect(QRectF(track.topLeft(), QSizeF(track.width() * 0.31, track.height())), 4, 4);

    valueRow(painter, c, 96, AppLanguage::string(QStringLiteral("Memory Used")), QStringLiteral("64 %"));
    valueRow(painter, c, 120, AppLanguage::string(QStringLiteral("App Memory")), memoryText(15'590'000'000));
    valueRow(painter, c, 144, AppLanguage::string(QStringLiteral("Cache")), memoryText(15'320'000'000));
    painter.restore();
}

QPainterPath lowerRightHalf(const QRectF& frame)
{
    QPainterPath path;
    path.moveTo(frame.topRight());
    path.lineTo(frame.bottomRight());
    path.lineTo(frame.bottomLeft());
    path.closeSubpath();
    return path;
}

} // namespace PanelMiniature
