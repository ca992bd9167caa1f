#include "VantorShared/Panels/PanelColors.h"

namespace PanelColors {

QColor headerBlue(bool dark)
{
    return dark ? QColor::fromRgbF(0.39f, 0.70f, 1.0f) : QColor::fromRgbF(0.05f, 0.38f, 0.72f);
}

QColor progressTrackColor(bool dark)
{
    return dark ? QColor::fromRgbF(0, 0, 0, 0.30f) : QColor::fromRgbF(0.45f, 0.46f, 0.48f, 0.45f);
}

QColor progressFillColor(bool dark)
{
    return dark ? QColor::fromRgbF(0.25f, 0.62f, 0.96f) : QColor::fromRgbF(0.12f, 0.52f, 0.88f);
}

QColor opaqueBackground(bool dark)
{
    return dark ? QColor::fromRgbF(0.12f, 0.13f, 0.14f) : QColor::fromRgbF(0.78f, 0.80f, 0.82f);
}

QColor primaryLabel(bool dark)
{
    return dark ? QColor::fromRgbF(1, 1, 1, 0.90f) : QColor::fromRgbF(0, 0, 0, 0.88f);
}

QColor secondaryLabel(bool dark)
{
    return dark ? QColor::fromRgbF(1, 1, 1, 0.58f) : QColor::fromRgbF(0, 0, 0, 0.56f);
}

QColor divider(bool dark)
{
    return dark ? QColor::fromRgbF(1, 1, 1, 0.12f) : QColor::fromRgbF(0, 0, 0, 0.12f);
}

QColor cyan(bool dark)
{
    return dark ? QColor(100, 210, 255) : QColor(50, 173, 230);
}

QColor red(bool dark)
{
    return dark ? QColor(255, 69, 58) : QColor(255, 59, 48);
}

QColor purple(bool dark)
{
    return dark ? QColor(191, 90, 242) : QColor(175, 82, 222);
}

QColor orange(bool dark)
{
    return dark ? QColor(255, 159, 10) : QColor(255, 149, 0);
}

QColor gray(bool dark)
{
    return dark ? QColor(152, 152, 157) : QColor(142, 142, 147);
}

} // namespace PanelColors
