#pragma once

// How often the agent samples. Both programs apply the same rule to the stored value, so the
// settings window shows the interval the agent really uses, also for a hand-edited one.
namespace RefreshInterval {

// The interval for a stored number of seconds: that number when it is finite and greater than 0,
// otherwise 1 second.
double effective(double storedSeconds);
// The interval the store's "refreshInterval" gives now.
double effectiveSeconds();

} // namespace RefreshInterval
