#include "VantorShared/Meters/MeterSettings.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Meters/ReadoutSources.h"
#include "VantorShared/Settings/SharedSettings.h"

namespace MeterSettings {
namespace {

using namespace SharedSettings;

QString storedText(const QString& key)
{
    return store().stringForKey(key).value_or(QString());
}

// The legacy flag is read only when the key itself does not decide.
template <typename E, typename Fallback> E readEnumOr(const QString& key, Fallback fallback)
{
    if (const auto value = fromRawValue<E>(storedText(key)))
        return *value;
    return fallback();
}

template <typename E> E readEnum(const QString& key, E fallback)
{
    return fromRawValue<E>(storedText(key)).value_or(fallback);
}

// A readout the user chose is shown as chosen; one that is only the default gives way to the
// nearest readout this machine has a source for.
template <typename E> E readReadout(const QString& key, E fallback)
{
    if (const auto chosen = fromRawValue<E>(store().persistentObjectForKey(key).toString()))
        return *chosen;
    // The registered defaults live in memory: no second look at the file on this path.
    const auto registered = fromRawValue<E>(store().registeredDefaults().value(key).toString());
    return ReadoutSources::current().available(registered.value_or(fallback));
}

} // namespace

MeterStyle style()
{
    return readEnum(Key::meterStyle, MeterStyle::bars);
}
MeterShape shape()
{
    return readEnum(Key::meterShape, MeterShape::pill);
}
MeterLabelStyle labelStyle(MonitorSection)
{
    return readEnum(Key::meterLabelStyle, MeterLabelStyle::icons);
}

CPUReadout cpuReadout()
{
    return readReadout(Key::cpuReadout, CPUReadout::temperature);
}
SensorsReadout sensorsReadout()
{
    return readReadout(Key::sensorsReadout, SensorsReadout::power);
}

MemoryReadout memoryReadout()
{
    return readEnumOr<MemoryReadout>(
        Key::memoryReadout, [] { return legacyShowsPercent() ? MemoryReadout::usage : MemoryReadout::off; });
}

StorageReadout storageReadout()
{
    return readEnumOr<StorageReadout>(
        Key::storageReadout, [] { return legacyShowsPercent() ? StorageReadout::usage : StorageReadout::off; });
}

QString readoutKey(MonitorSection section)
{
    switch (section) {
    case MonitorSection::cpu:
        return Key::cpuReadout;
    case MonitorSection::memory:
        return Key::memoryReadout;
    case MonitorSection::storage:
        return Key::storageReadout;
    case MonitorSection::sensors:
        return Key::sensorsReadout;
    }
    return {};
}

MeterAccent accent(MeterAccentSlot slot)
{
    return MeterAccent::fromRawValue(storedText(key(slot))).value_or(MeterAccent(MeterAccent::Preset::signal));
}

QColor color(MeterAccentSlot slot)
{
    return accent(slot).color();
}

QString itemVisibilityKey(MonitorSection section)
{
    switch (section) {
    case MonitorSection::cpu:
        return Key::showCPUItem;
    case MonitorSection::memory:
        return Key::showMemoryItem;
    case MonitorSection::storage:
        return Key::showStorageItem;
    case MonitorSection::sensors:
        return Key::showSensorsItem;
    }
    return {};
}

bool showsItem(MonitorSection section)
{
    const QVariant value = store().objectForKey(itemVisibilityKey(section));
    return !(value.typeId() == QMetaType::Bool && !value.toBool());
}

bool legacyShowsPercent()
{
    const QVariant value = store().objectForKey(Key::showMemoryPercent);
    return value.typeId() == QMetaType::Bool && value.toBool();
}

QList<MonitorSection> order(QStringView text)
{
    QList<MonitorSection> result;
    for (const QStringView piece : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const auto section = monitorSection(piece);
        if (section && !result.contains(*section))
            result.append(*section);
    }
    for (const MonitorSection section : defaultMenuBarOrder)
        if (!result.contains(section))
            result.append(section);
    return result;
}

QList<MonitorSection> menuBarOrder()
{
    return order(storedText(Key::menuBarOrder));
}

QList<MonitorSection> merged(const QList<MonitorSection>& visible, const QList<MonitorSection>& stored,
    const std::function<bool(MonitorSection)>& shown)
{
    QList<MonitorSection> result;
    // A visible order that names a hidden section (the item was hidden while being dragged) or
    // repeats one must not put a section twice into the stored order.
    auto add = [&result](MonitorSection section) {
        if (!result.contains(section))
            result.append(section);
    };
    qsizetype i = 0;
    for (const MonitorSection section : stored) {
        if (shown(section)) {
            if (i < visible.size())
                add(visible[i++]);
        } else {
            add(section);
        }
    }
    for (; i < visible.size(); ++i)
        add(visible[i]);
    for (const MonitorSection section : allMonitorSections)
        if (!result.contains(section))
            result.append(section);
    return result;
}

QString orderText(const QList<MonitorSection>& sections)
{
    QStringList keys;
    for (const MonitorSection section : sections)
        keys.append(key(section));
    return keys.join(QLatin1Char(','));
}

void setMenuBarOrder(const QList<MonitorSection>& visible)
{
    const QList<MonitorSection> full = merged(visible, menuBarOrder(), showsItem);
    store().setString(Key::menuBarOrder, orderText(full));
}

void migrateAccents()
{
    const MeterAccent base
        = MeterAccent::fromRawValue(storedText(Key::accentChoice)).value_or(MeterAccent(MeterAccent::Preset::signal));
    const MeterAccent fast = MeterAccent::fromRawValue(storedText(Key::performanceCoreAccent)).value_or(base);
    const std::array<std::pair<MeterAccentSlot, MeterAccent>, 4> targets {{
        {MeterAccentSlot::cpu, base},
        {MeterAccentSlot::cpuFastCores, fast},
        {MeterAccentSlot::memory, base},
        {MeterAccentSlot::storage, base},
    }};
    for (const auto& [slot, accent] : targets)
        if (!store().objectForKey(key(slot)).isValid())
            store().setString(key(slot), accent.rawValue());
}

} // namespace MeterSettings
