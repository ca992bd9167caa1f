#include "Vantor/Pages/SettingsColors.h"

#include <algorithm>
#include <cmath>

namespace SettingsColors {

namespace {

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

double channel(double value)
{
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

QColor mix(const QColor& from, const QColor& to, double amount)
{
    const QColor a = from.toRgb(), b = to.toRgb();
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * amount),
        float(a.greenF() + (b.greenF() - a.greenF()) * amount), float(a.blueF() + (b.blueF() - a.blueF()) * amount));
}

} // namespace

QColor composite(const QColor& top, const QColor& bottom)
{
    const QColor over = top.toRgb();
    const double alpha = over.alphaF();
    const QColor under = bottom.toRgb();
    return QColor::fromRgbF(float(over.redF() * alpha + under.redF() * (1 - alpha)),
        float(over.greenF() * alpha + under.greenF() * (1 - alpha)),
        float(over.blueF() * alpha + under.blueF() * (1 - alpha)));
}

double contrastRatio(const QColor& text, const QColor& background)
{
    const double a = luminance(composite(text, background));
    const double b = luminance(background);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor readable(const QColor& wanted, const QColor& background, double minimum)
{
    if (contrastRatio(wanted, background) >= minimum)
        return wanted;
    // Towards whichever extreme is further from the background; one of them always reaches 4.5:1.
    const QColor solid = composite(wanted, background);
    const QColor extreme = luminance(background) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
    QColor best = extreme;
    for (int step = 1; step <= 20; ++step) {
        const QColor candidate = mix(solid, extreme, step / 20.0);
        if (contrastRatio(candidate, background) >= minimum) {
            best = candidate;
            break;
        }
    }
    return best;
}

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

QColor groupBackground(const QPalette& palette)
{
    return composite(groupFill(palette), palette.color(QPalette::Window));
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
    return secondaryText(palette, palette.color(QPalette::Window));
}

QColor secondaryText(const QPalette& palette, const QColor& background)
{
    return readable(withAlpha(palette.color(QPalette::WindowText), 0.6), background);
}

QColor errorText(const QColor& background)
{
    // A clear red, deepened on light backgrounds and lifted on dark ones as far as reading needs.
    return readable(QColor(215, 58, 73), background);
}

QColor sidebarFill(const QPalette& palette)
{
    const QColor window = palette.color(QPalette::Window);
    return isDark(palette) ? window.lighter(118) : window.darker(106);
}

} // namespace SettingsColors
