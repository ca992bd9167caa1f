#pragma once

#include <QColor>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// A meter's colour: one of eight presets or a custom sRGB colour with components in 0…1.
class MeterAccent {
public:
    enum class Preset { signal, blue, indigo, purple, teal, pine, amber, graphite };

    MeterAccent(Preset preset = Preset::signal)
        : m_preset(preset)
    {
    }
    // A custom accent; components are clamped to 0…1.
    static MeterAccent custom(double red, double green, double blue);
    // From a colour the user picked: converted to sRGB, clamped and quantised to four decimals, so
    // that reading the raw value back gives the same accent. None when it cannot be converted.
    static std::optional<MeterAccent> custom(const QColor& picked);
    // A preset name, or "custom:srgb:" and three comma-separated numbers; none otherwise.
    static std::optional<MeterAccent> fromRawValue(QStringView text);
    static const std::array<MeterAccent, 8>& presets();

    static double clamp(double value);
    static double quantise(double value);

    QString rawValue() const;
    QString title() const;
    QColor color() const;
    bool isCustom() const { return !m_preset; }
    std::optional<Preset> preset() const { return m_preset; }
    bool operator==(const MeterAccent& other) const;

private:
    std::optional<Preset> m_preset;
    double m_red = 0, m_green = 0, m_blue = 0;
};
