#include "Platform/Sensors/HwmonChipTable.h"

#include <array>

namespace HwmonChipTable {
namespace {

constexpr std::array rows {
    Row {"applesmc", "Ts", Role::controller},
    Row {"coretemp", "Tp", Role::processor},
    Row {"k10temp", "Tp", Role::processor},
    Row {"k8temp", "Tp", Role::processor},
    Row {"zenpower", "Tp", Role::processor},
    Row {"fam15h_power", "Tp", Role::processor},
    Row {"amd_energy", "Tp", Role::processor},
    Row {"via_cputemp", "Tp", Role::processor},
    Row {"cpu", "Tp", Role::processor}, // cpu_thermal, cpu0_thermal, cpu-thermal, …
    Row {"amdgpu", "Tg", Role::graphics},
    Row {"radeon", "Tg", Role::graphics},
    Row {"nouveau", "Tg", Role::graphics},
    Row {"i915", "Tg", Role::graphics},
    Row {"xe", "Tg", Role::graphics},
    Row {"gpu", "Tg", Role::graphics}, // gpu_thermal, gpu0_thermal, …
    Row {"nvme", "TN", Role::storage},
    Row {"drivetemp", "TN", Role::storage},
    Row {"BAT", "TB", Role::battery},
    Row {"battery", "TB", Role::battery},
    Row {"jc42", "Tm", Role::memory},
    Row {"spd5118", "Tm", Role::memory},
    Row {"acpitz", "Ta", Role::ambient},
    Row {"power_meter", "Ts", Role::powerMeter},
};

constexpr Row fallback {"", "Ts", Role::other};

} // namespace

const Row& row(QByteArrayView chipName)
{
    for (const Row& candidate : rows)
        if (chipName.startsWith(QByteArrayView(candidate.namePrefix)))
            return candidate;
    return fallback;
}

} // namespace HwmonChipTable
