#include "VantorAgent/Startup/AgentInstance.h"

bool AgentInstance::isLaterThan(const AgentInstance& other) const
{
    if (launchDate && other.launchDate && *launchDate != *other.launchDate)
        return *other.launchDate < *launchDate;
    return other.pid < pid;
}

bool AgentInstance::shouldYield(qint32 ownPid, const QList<ProcessScan::Entry>& agents)
{
    const auto own = std::find_if(
        agents.cbegin(), agents.cend(), [ownPid](const ProcessScan::Entry& entry) { return entry.pid == ownPid; });
    if (own == agents.cend())
        return false;
    const AgentInstance me = from(*own);
    for (const ProcessScan::Entry& entry : agents) {
        if (entry.pid == me.pid)
            continue;
        if (me.isLaterThan(from(entry)))
            return true;
    }
    return false;
}
