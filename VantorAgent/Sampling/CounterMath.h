#pragma once

#include <QtGlobal>

#include <limits>

// Arithmetic on the kernel's ever-growing counters, shared by the readers of every domain.
namespace CounterMath {

// a − b for a counter that must only grow; a counter that went backwards gives 0 for the interval.
inline quint64 growth(quint64 now, quint64 before)
{
    return now >= before ? now - before : 0;
}

inline quint64 saturatingAdd(quint64 a, quint64 b)
{
    return a > std::numeric_limits<quint64>::max() - b ? std::numeric_limits<quint64>::max() : a + b;
}

inline quint64 saturatingMultiply(quint64 a, quint64 b)
{
    if (a != 0 && b > std::numeric_limits<quint64>::max() / a)
        return std::numeric_limits<quint64>::max();
    return a * b;
}

// Bytes per second, truncated; a rate that does not fit is the largest one.
inline quint64 perSecond(quint64 bytes, double seconds)
{
    const double rate = double(bytes) / seconds;
    if (!(rate < 18446744073709549568.0))
        return std::numeric_limits<quint64>::max();
    return quint64(rate);
}

} // namespace CounterMath
