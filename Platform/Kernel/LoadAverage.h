#pragma once

#include <array>

// The 1-, 5- and 15-minute load averages of the system.
namespace LoadAverage {

// False, with `values` untouched, when fewer than three averages could be read.
bool read(std::array<double, 3>& values);

} // namespace LoadAverage
