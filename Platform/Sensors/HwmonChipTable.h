#pragma once

#include <QByteArrayView>

// How the hwmon bridge files each chip, by the chip's name: which key prefix its temperatures get
// and which power figure it may supply. Thermal-zone chips carry suffixes ("cpu0_thermal",
// "nvme0"), so names are matched by prefix; the first matching row wins.
namespace HwmonChipTable {

enum class Role {
    processor, // package temperatures, and the processor's own power or energy inputs
    graphics, // the GPU's temperatures and power input
    storage,
    battery,
    memory,
    ambient,
    powerMeter, // a whole-system power meter
    controller, // applesmc: temperatures keep the controller's own key names (their labels)
    other,
};

struct Row {
    const char* namePrefix;
    const char* keyPrefix; // two characters
    Role role;
};

// The row for a chip name; a row with key prefix "Ts" and role other when none matches.
const Row& row(QByteArrayView chipName);

} // namespace HwmonChipTable
