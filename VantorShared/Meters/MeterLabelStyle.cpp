#include "VantorShared/Meters/MeterLabelStyle.h"

#include "VantorShared/Language/AppLanguage.h"

QString rawValue(MeterLabelStyle style)
{
    return style == MeterLabelStyle::letters ? QStringLiteral("letters") : QStringLiteral("icons");
}

QString title(MeterLabelStyle style)
{
    return style == MeterLabelStyle::letters ? AppLanguage::string(QStringLiteral("Letters"))
                                             : AppLanguage::string(QStringLiteral("Icons"));
}
