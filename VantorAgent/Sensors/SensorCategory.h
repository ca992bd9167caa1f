#pragma once

// What a temperature sensor sits on. `other` readings are listed but never grouped.
enum class SensorCategory { cpu, gpu, memory, storage, battery, ambient, other };
