#pragma once

#include <QString>

#include <algorithm>
#include <optional>

// One fan; its key is also its identity.
struct FanReading {
    QString key;
    int index = 0;
    double rpm = 0;
    std::optional<double> minimumRPM;
    std::optional<double> maximumRPM;

    // Where the speed sits between the limits, 0 to 1; none without a usable range.
    std::optional<double> load() const
    {
        if (!minimumRPM || !maximumRPM || !(*minimumRPM < *maximumRPM))
            return std::nullopt;
        return std::clamp((rpm - *minimumRPM) / (*maximumRPM - *minimumRPM), 0.0, 1.0);
    }
    bool operator==(const FanReading&) const = default;
};
