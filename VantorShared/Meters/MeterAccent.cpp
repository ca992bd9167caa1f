#include "VantorShared/Meters/MeterAccent.h"

#include "VantorShared/Language/AppLanguage.h"

#include <QLocale>

#include <cmath>

namespace {

struct PresetInfo {
    MeterAccent::Preset preset;
    const char* raw;
    const char* title;
    double red, green, blue;
};

constexpr std::array<PresetInfo, 8> kPresets {{
    {MeterAccent::Preset::signal, "signal", "Signal", 0.27, 0.72, 0.60},
    {MeterAccent::Preset::blue, "blue", "Blue", 0.28, 0.56, 0.92},
    {MeterAccent::Preset::indigo, "indigo", "Indigo", 0.42, 0.42, 0.95},
    {MeterAccent::Preset::purple, "purple", "Purple", 0.58, 0.46, 0.92},
    {MeterAccent::Preset::teal, "teal", "Teal", 0.22, 0.66, 0.78},
    {MeterAccent::Preset::pine, "pine", "Pine", 0.14, 0.47, 0.40},
    {MeterAccent::Preset::amber, "amber", "Amber", 0.90, 0.68, 0.26},
    {MeterAccent::Preset::graphite, "graphite", "Graphite", 0.64, 0.66, 0.70},
}};

const QString kCustomPrefix = QStringLiteral("custom:srgb:");

const PresetInfo& info(MeterAccent::Preset preset)
{
    return kPresets[size_t(preset)];
}

} // namespace

double MeterAccent::clamp(double value)
{
    if (value <= 0)
        return 0;
    if (value > 1)
        return 1;
    return value;
}

double MeterAccent::quantise(double value)
{
    return std::round(value * 10000.0) / 10000.0;
}

MeterAccent MeterAccent::custom(double red, double green, double blue)
{
    MeterAccent accent;
    accent.m_preset.reset();
    accent.m_red = clamp(red);
    accent.m_green = clamp(green);
    accent.m_blue = clamp(blue);
    return accent;
}

std::optional<MeterAccent> MeterAccent::custom(const QColor& picked)
{
    if (!picked.isValid())
        return std::nullopt;
    const QColor srgb = picked.toRgb();
    if (!srgb.isValid())
        return std::nullopt;
    return custom(quantise(clamp(srgb.redF())), quantise(clamp(srgb.greenF())), quantise(clamp(srgb.blueF())));
}

std::optional<MeterAccent> MeterAccent::fromRawValue(QStringView text)
{
    for (const PresetInfo& preset : kPresets)
        if (text == QLatin1String(preset.raw))
            return MeterAccent(preset.preset);
    if (!text.startsWith(kCustomPrefix))
        return std::nullopt;
    std::array<double, 3> components {};
    int count = 0;
    const QLocale c = QLocale::c();
    for (const QStringView piece : text.mid(kCustomPrefix.size()).split(QLatin1Char(','))) {
        bool ok = false;
        const double value = c.toDouble(piece, &ok);
        if (!ok || piece.isEmpty() || piece.front().isSpace() || piece.back().isSpace())
            continue;
        if (count == 3)
            return std::nullopt; // more than three numbers
        components[size_t(count++)] = value;
    }
    if (count != 3)
        return std::nullopt;
    for (const double value : components)
        if (!std::isfinite(value))
            return std::nullopt;
    return custom(components[0], components[1], components[2]);
}

const std::array<MeterAccent, 8>& MeterAccent::presets()
{
    static const std::array<MeterAccent, 8> all {MeterAccent(Preset::signal), MeterAccent(Preset::blue),
        MeterAccent(Preset::indigo), MeterAccent(Preset::purple), MeterAccent(Preset::teal), MeterAccent(Preset::pine),
        MeterAccent(Preset::amber), MeterAccent(Preset::graphite)};
    return all;
}

QString MeterAccent::rawValue() const
{
    if (m_preset)
        return QLatin1String(info(*m_preset).raw);
    return kCustomPrefix + QString::asprintf("%.4f,%.4f,%.4f", m_red, m_green, m_blue);
}

QString MeterAccent::title() const
{
    if (!m_preset)
        return AppLanguage::string(QStringLiteral("Custom"));
    switch (*m_preset) {
    case Preset::signal:
        return AppLanguage::string(QStringLiteral("Signal"));
    case Preset::blue:
        return AppLanguage::string(QStringLiteral("Blue"));
    case Preset::indigo:
        return AppLanguage::string(QStringLiteral("Indigo"));
    case Preset::purple:
        return AppLanguage::string(QStringLiteral("Purple"));
    case Preset::teal:
        return AppLanguage::string(QStringLiteral("Teal"));
    case Preset::pine:
        return AppLanguage::string(QStringLiteral("Pine"));
    case Preset::amber:
        return AppLanguage::string(QStringLiteral("Amber"));
    case Preset::graphite:
        return AppLanguage::string(QStringLiteral("Graphite"));
    }
    return {};
}

QColor MeterAccent::color() const
{
    if (m_preset) {
        const PresetInfo& preset = info(*m_preset);
        return QColor::fromRgbF(float(preset.red), float(preset.green), float(preset.blue), 1.0f);
    }
    return QColor::fromRgbF(float(m_red), float(m_green), float(m_blue), 1.0f);
}

bool MeterAccent::operator==(const MeterAccent& other) const
{
    if (m_preset || other.m_preset)
        return m_preset == other.m_preset;
    return m_red == other.m_red && m_green == other.m_green && m_blue == other.m_blue;
}
