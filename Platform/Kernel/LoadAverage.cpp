#include "Platform/Kernel/LoadAverage.h"

#include <cstdlib>

namespace LoadAverage {

bool read(std::array<double, 3>& values)
{
    std::array<double, 3> read {};
    if (::getloadavg(read.data(), 3) < 3)
        return false;
    values = read;
    return true;
}

} // namespace LoadAverage
