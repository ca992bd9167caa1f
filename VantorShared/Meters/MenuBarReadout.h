#pragma once

#include "VantorShared/Support/EnumText.h"

#include <QString>

#include <array>

// What each section's meter shows beside itself. Every readout has a raw value, a title and the
// room its text takes in the menu bar (textWidth, points).

enum class CPUReadout { off, usage, temperature, power };
enum class MemoryReadout { off, usage, pressure, swap };
enum class StorageReadout { off, usage, free };
enum class SensorsReadout { off, power, hottest, gpu, fan };

template <> struct EnumCases<CPUReadout> {
    static constexpr std::array<CPUReadout, 4> all {
        CPUReadout::off, CPUReadout::usage, CPUReadout::temperature, CPUReadout::power};
};
template <> struct EnumCases<MemoryReadout> {
    static constexpr std::array<MemoryReadout, 4> all {
        MemoryReadout::off, MemoryReadout::usage, MemoryReadout::pressure, MemoryReadout::swap};
};
template <> struct EnumCases<StorageReadout> {
    static constexpr std::array<StorageReadout, 3> all {
        StorageReadout::off, StorageReadout::usage, StorageReadout::free};
};
template <> struct EnumCases<SensorsReadout> {
    static constexpr std::array<SensorsReadout, 5> all {
        SensorsReadout::off, SensorsReadout::power, SensorsReadout::hottest, SensorsReadout::gpu, SensorsReadout::fan};
};

QString rawValue(CPUReadout readout);
QString rawValue(MemoryReadout readout);
QString rawValue(StorageReadout readout);
QString rawValue(SensorsReadout readout);
QString title(CPUReadout readout);
QString title(MemoryReadout readout);
QString title(StorageReadout readout);
QString title(SensorsReadout readout);
double textWidth(CPUReadout readout);
double textWidth(MemoryReadout readout);
double textWidth(StorageReadout readout);
double textWidth(SensorsReadout readout);
