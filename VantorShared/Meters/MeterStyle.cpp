#include "VantorShared/Meters/MeterStyle.h"

#include "VantorShared/Language/AppLanguage.h"

QString rawValue(MeterStyle style)
{
    switch (style) {
    case MeterStyle::bars:
        return QStringLiteral("bars");
    case MeterStyle::wave:
        return QStringLiteral("wave");
    case MeterStyle::compact:
        return QStringLiteral("compact");
    }
    return {};
}

QString title(MeterStyle style)
{
    switch (style) {
    case MeterStyle::bars:
        return AppLanguage::string(QStringLiteral("Bars"));
    case MeterStyle::wave:
        return AppLanguage::string(QStringLiteral("Wave"));
    case MeterStyle::compact:
        return AppLanguage::string(QStringLiteral("Compact"));
    }
    return {};
}
