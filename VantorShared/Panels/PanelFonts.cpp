#include "VantorShared/Panels/PanelFonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>

#include <cmath>

namespace {

bool hasEqualWidthDigits(const QFont& font)
{
    const QFontMetricsF metrics(font);
    const double zero = metrics.horizontalAdvance(QLatin1Char('0'));
    for (char digit = '1'; digit <= '9'; ++digit)
        if (std::fabs(metrics.horizontalAdvance(QLatin1Char(digit)) - zero) > 0.01)
            return false;
    return zero > 0;
}

const QString& digitsFamily()
{
    static const QString family = [] {
        const QFont system = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        if (hasEqualWidthDigits(system))
            return system.family();
        for (const QString& candidate : {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans"),
                 QStringLiteral("Liberation Sans"), QStringLiteral("Cantarell")})
            if (QFontDatabase::hasFamily(candidate) && hasEqualWidthDigits(QFont(candidate)))
                return candidate;
        return system.family();
    }();
    return family;
}

QFont sized(QFont font, double size, QFont::Weight weight)
{
    font.setPixelSize(std::max(1, int(std::lround(size))));
    font.setWeight(weight);
    return font;
}

} // namespace

namespace PanelFonts {

QFont text(double size, QFont::Weight weight)
{
    static const QFont system = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    return sized(system, size, weight);
}

QFont digits(double size, QFont::Weight weight)
{
    return sized(QFont(digitsFamily()), size, weight);
}

} // namespace PanelFonts
