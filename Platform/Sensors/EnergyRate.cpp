#include "Platform/Sensors/EnergyRate.h"

std::optional<double> EnergyRate::watts(double seconds, quint64 microjoules)
{
    if (!m_lastTime) {
        m_lastTime = seconds;
        m_lastEnergy = microjoules;
        return std::nullopt;
    }
    const double elapsed = seconds - *m_lastTime;
    // A read that waited exactly the minimum may land a rounding error short of it.
    if (elapsed < minimumInterval - slack)
        return m_lastWatts;
    quint64 delta = 0;
    if (microjoules >= m_lastEnergy)
        delta = microjoules - m_lastEnergy;
    else if (m_range > 0 && m_lastEnergy <= m_range)
        delta = (m_range - m_lastEnergy) + microjoules;
    m_lastTime = seconds;
    m_lastEnergy = microjoules;
    m_lastWatts = double(delta) / 1e6 / elapsed;
    return m_lastWatts;
}

double EnergyRate::secondsUntilFirstFigure(double seconds) const
{
    if (!m_lastTime || m_lastWatts)
        return 0;
    const double left = minimumInterval - (seconds - *m_lastTime);
    return left > slack ? left : 0;
}
