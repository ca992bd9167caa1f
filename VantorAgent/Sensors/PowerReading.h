#pragma once

#include "VantorAgent/Sensors/PowerChannel.h"

// One power figure; its identity, title and icon are its channel's.
struct PowerReading {
    PowerChannel channel = PowerChannel::system;
    double watts = 0;
    bool operator==(const PowerReading&) const = default;
};
