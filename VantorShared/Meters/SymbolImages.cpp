#include "VantorShared/Meters/SymbolImages.h"

#include "Platform/Bundles/Bundle.h"

#include <QFileInfo>
#include <QHashFunctions>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>
#include <unordered_map>

namespace SymbolImages {
namespace {

constexpr double designPointSize = 12.0;
// Far beyond any symbol we draw; keeps a malformed file from asking for a huge bitmap.
constexpr double largestSide = 512.0;

bool isPlainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
        && name != QLatin1String(".") && name != QLatin1String("..");
}

std::optional<QSizeF> designSize(const QSvgRenderer& renderer)
{
    if (!renderer.isValid())
        return std::nullopt;
    const QSizeF box = renderer.viewBoxF().size();
    if (!(box.width() > 0 && box.height() > 0 && box.width() <= largestSide && box.height() <= largestSide))
        return std::nullopt;
    return box;
}

} // namespace

QString path(const QString& name)
{
    if (!isPlainName(name))
        return {};
    return Bundle::main().pathForResource(name, QStringLiteral("svg"), QStringLiteral("Symbols"));
}

std::optional<QSizeF> size(const QString& name, double pointSize)
{
    const QString file = path(name);
    if (file.isEmpty())
        return std::nullopt;
    QSvgRenderer renderer(file);
    const auto box = designSize(renderer);
    if (!box)
        return std::nullopt;
    return *box * (pointSize / designPointSize);
}

QImage render(const QString& name, double pointSize, const QColor& tint, double scale)
{
    const QString file = path(name);
    if (file.isEmpty() || !(scale > 0 && scale <= 16) || !(pointSize > 0 && pointSize <= 256))
        return {};
    QSvgRenderer renderer(file);
    const auto box = designSize(renderer);
    if (!box)
        return {};
    const QSizeF points = *box * (pointSize / designPointSize);
    QImage image(int(std::ceil(points.width() * scale)), int(std::ceil(points.height() * scale)),
        QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), points));
    // A template: keep the drawn coverage, replace the colour.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(0, 0), points), tint);
    painter.end();
    return image;
}

QImage cached(const QString& name, double pointSize, const QColor& tint, double scale)
{
    struct Key {
        QString name;
        double pointSize;
        QRgb tint;
        double scale;
        bool operator==(const Key&) const = default;
    };
    struct Hash {
        size_t operator()(const Key& k) const { return qHashMulti(0, k.name, k.pointSize, k.tint, k.scale); }
    };
    static std::unordered_map<Key, QImage, Hash> store;
    constexpr size_t limit = 128;
    Key key {name, pointSize, tint.rgba(), scale};
    if (const auto found = store.find(key); found != store.end())
        return found->second;
    if (store.size() >= limit)
        store.clear();
    QImage image = render(name, pointSize, tint, scale);
    store.emplace(std::move(key), image);
    return image;
}

} // namespace SymbolImages
