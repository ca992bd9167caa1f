#pragma once

#include "VantorShared/Support/EnumText.h"

#include <QString>

#include <array>

// What a power figure measures, each read from one controller key.
enum class PowerChannel { system, cpu, gpu };

template <> struct EnumCases<PowerChannel> {
    static constexpr std::array<PowerChannel, 3> all {PowerChannel::system, PowerChannel::cpu, PowerChannel::gpu};
};

// "system", "cpu", "gpu": also the channel's identity.
QString rawValue(PowerChannel channel);
// The controller key: "PSTR", "PPMC", "P3F2".
QString key(PowerChannel channel);
// In the interface language.
QString title(PowerChannel channel);
// The symbol's name.
QString icon(PowerChannel channel);
