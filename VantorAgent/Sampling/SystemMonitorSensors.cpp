// The sensors domain of the sampling engine: temperatures, fans, power and the battery.
#include "VantorAgent/Sampling/SystemMonitor.h"

void SystemMonitor::readTemperatures(SamplingPlan::SMCScope)
{
}

void SystemMonitor::settleTemperatures(const SamplingPlan&, std::function<void()> resume)
{
    m_temperatureRefreshTask.whenFinished(std::move(resume));
}
