// The processes domain of the sampling engine.
#include "VantorAgent/Sampling/SystemMonitor.h"

void SystemMonitor::refreshProcesses()
{
}
