#pragma once

#include "VantorShared/Meters/MenuBarReadout.h"
#include "VantorShared/Meters/MeterAccent.h"
#include "VantorShared/Meters/MeterAccentSlot.h"
#include "VantorShared/Meters/MeterLabelStyle.h"
#include "VantorShared/Meters/MeterShape.h"
#include "VantorShared/Meters/MeterStyle.h"
#include "VantorShared/System/MonitorSection.h"

#include <QColor>
#include <QList>

#include <array>
#include <functional>

// The meter choices as stored in the shared store, read with their fallbacks. Nothing is cached:
// every call reads the store, so the other program's writes are seen at once.
namespace MeterSettings {

inline constexpr std::array<MonitorSection, 4> defaultMenuBarOrder {
    MonitorSection::sensors, MonitorSection::storage, MonitorSection::memory, MonitorSection::cpu};

MeterStyle style();
MeterShape shape();
MeterLabelStyle labelStyle(MonitorSection section);

// The cpu and sensors readouts: as chosen, or, when nothing is stored, the default as far as this
// machine can show it (ReadoutSources).
CPUReadout cpuReadout();
MemoryReadout memoryReadout();
StorageReadout storageReadout();
SensorsReadout sensorsReadout();
QString readoutKey(MonitorSection section);

MeterAccent accent(MeterAccentSlot slot);
QColor color(MeterAccentSlot slot);

// False only when the section's visibility key holds a boolean false.
bool showsItem(MonitorSection section);
QString itemVisibilityKey(MonitorSection section);

// True only when the store yields a boolean true for "showMemoryPercent".
bool legacyShowsPercent();

// The stored full order, always all four sections.
QList<MonitorSection> menuBarOrder();
// Parses a comma-separated order: unknown and repeated keys dropped, missing sections appended in
// the default order.
QList<MonitorSection> order(QStringView text);
// A new full order from the visible order `visible`, keeping hidden sections where they stood in
// `stored`.
QList<MonitorSection> merged(const QList<MonitorSection>& visible, const QList<MonitorSection>& stored,
    const std::function<bool(MonitorSection)>& shown);
// Stores the merge of `visible` into the stored order under "menuBarOrder".
void setMenuBarOrder(const QList<MonitorSection>& visible);
// The keys joined by ",".
QString orderText(const QList<MonitorSection>& sections);

// Fills absent per-meter accent keys from the older single-accent settings.
void migrateAccents();

} // namespace MeterSettings
