#pragma once

#include <QtGlobal>

#include <optional>

// Turns a cumulative energy counter (microjoules: RAPL's energy_uj, hwmon's energyN_input) into
// watts between two reads. A counter that passes its range starts again from 0; with the range
// known the wrap is accounted for, without it the interval counts 0 W, as a counter going
// backwards does anywhere else.
class EnergyRate {
public:
    // Reads closer together than this give the previous figure: the counters tick coarsely and a
    // rate over a few microseconds would be noise.
    static constexpr double minimumInterval = 0.05;

    // `range`: the counter's wrap-around range in microjoules; 0 when unknown.
    explicit EnergyRate(quint64 range = 0)
        : m_range(range)
    {
    }

    // The average power since the previous accepted read, given the counter and a clock in
    // seconds now. None until two reads at least minimumInterval apart have been seen.
    std::optional<double> watts(double seconds, quint64 microjoules);
    // How long until a first figure can be given; 0 once there is one or before any read.
    double secondsUntilFirstFigure(double seconds) const;

private:
    static constexpr double slack = 1e-6;
    quint64 m_range;
    std::optional<double> m_lastTime;
    quint64 m_lastEnergy = 0;
    std::optional<double> m_lastWatts;
};
