#include "Vantor/Pages/SettingsColors.h"

namespace SettingsColors {

namespace {

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

} // namespace

bool isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < palette.color(QPalette::WindowText).lightness();
}

QColor headingBlue(bool dark)
{
    return dark ? QColor::fromRgbF(0.39f, 0.7f, 1.0f) : QColor::fromRgbF(0.05f, 0.38f, 0.72f);
}

QColor groupFill(const QPalette& palette)
{
    return isDark(palette) ? QColor(255, 255, 255, 14) : QColor(255, 255, 255, 235);
}

QColor groupBorder(const QPalette& palette)
{
    return isDark(palette) ? QColor(255, 255, 255, 20) : QColor(0, 0, 0, 22);
}

QColor separator(const QPalette& palette)
{
    return withAlpha(palette.color(QPalette::WindowText), isDark(palette) ? 0.12 : 0.09);
}

QColor secondaryText(const QPalette& palette)
{
    return withAlpha(palette.color(QPalette::WindowText), 0.55);
}

QColor sidebarFill(const QPalette& palette)
{
    const QColor window = palette.color(QPalette::Window);
    return isDark(palette) ? window.lighter(118) : window.darker(106);
}

} // namespace SettingsColors
