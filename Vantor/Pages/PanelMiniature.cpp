#include "Vantor/Pages/PanelMiniature.h"

#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Panels/CompactHeader.h"
#include "VantorShared/Panels/DenseSection.h"
#include "VantorShared/Panels/MetricProgressBar.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PopoverSurface.h"
#include "VantorShared/Panels/ValueRow.h"

#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

#include <algorithm>

namespace PanelMiniature {

namespace {

constexpr double kPanelWidth = 300;
constexpr double kScale = 0.5;

// The memory panel as the agent builds it, rendered once per scheme, background and language.
QPixmap panelPicture(Scheme scheme, const QString& background)
{
    static QHash<QString, QPixmap> cache;
    const bool dark = scheme == Scheme::dark;
    const QString key = QStringLiteral("%1|%2|%3").arg(dark).arg(background, AppLanguage::code());
    if (const auto found = cache.constFind(key); found != cache.cend())
        return *found;

    PopoverSurface surface;
    surface.setBackground(background);
    // Drawn over the tile's wallpaper, which the translucent material lets through.
    surface.setBlendsWithinWindow(true);
    surface.setFixedWidth(int(kPanelWidth));
    auto* layout = new QVBoxLayout(&surface);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new CompactHeader(AppLanguage::string(QStringLiteral("Memory")), QStringLiteral("memorychip")));
    auto* pressure = new DenseSection(AppLanguage::string(QStringLiteral("PRESSURE")));
    pressure->addRow(new MetricProgressBar(0.31));
    pressure->addRow(new ValueRow(AppLanguage::string(QStringLiteral("Memory Used")), QStringLiteral("64 %")));
    pressure->addRow(new ValueRow(AppLanguage::string(QStringLiteral("App Memory")), quint64(15'590'000'000)));
    pressure->addRow(new ValueRow(AppLanguage::string(QStringLiteral("Cache")), quint64(15'320'000'000)));
    layout->addWidget(pressure);
    layout->addStretch(1);
    PanelEnvironment::apply(&surface, {PanelMetrics {}, dark});
    layout->activate();
    surface.resize(int(kPanelWidth), std::max(surface.sizeHint().height(), 190));
    layout->activate();

    // Twice the resolution it is shown at, so it stays sharp on dense screens.
    const double resolution = 2;
    QPixmap picture(surface.size() * resolution);
    picture.setDevicePixelRatio(resolution);
    picture.fill(Qt::transparent);
    surface.render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
    cache.insert(key, picture);
    return picture;
}

} // namespace

void paint(QPainter& painter, const QRectF& frame, Scheme scheme, const QString& background)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
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
    const QPixmap picture = panelPicture(scheme, background);
    const QRectF target(frame.topLeft() + QPointF(10, 9), picture.deviceIndependentSize() * kScale);
    QPainterPath rounded;
    rounded.addRoundedRect(target, 16 * kScale, 16 * kScale);
    painter.setClipPath(rounded, Qt::IntersectClip);
    painter.drawPixmap(target, picture, QRectF(picture.rect()));
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
