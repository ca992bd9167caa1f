#include "Platform/Kernel/Reader.h"
// #include "VantorAgent/Sampling/SystemMonitor.h" is only a comment and does not count
#include "VantorAgent/Sampling/SystemMonitor.h"
