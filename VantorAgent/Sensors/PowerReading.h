#pragma once

// What a power figure measures.
enum class PowerChannel { system, cpu, gpu };

struct PowerReading {
    PowerChannel channel = PowerChannel::system;
    double watts = 0;
    bool operator==(const PowerReading&) const = default;
};
