#include "VantorShared/Meters/MeterShape.h"

#include "VantorShared/Language/AppLanguage.h"

#include <algorithm>

QString rawValue(MeterShape shape)
{
    return shape == MeterShape::square ? QStringLiteral("square") : QStringLiteral("pill");
}

QString title(MeterShape shape)
{
    return shape == MeterShape::square ? AppLanguage::string(QStringLiteral("Square"))
                                       : AppLanguage::string(QStringLiteral("Pill"));
}

double frameRadius(MeterShape shape, double square, double pill)
{
    return shape == MeterShape::square ? square : pill;
}

double fillRadius(MeterShape shape, double width, double height)
{
    return shape == MeterShape::square ? 0.0 : std::min(width, height) * 0.5;
}
