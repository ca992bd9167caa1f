#include "Vantor/Pages/MenuBarPage.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/Pages/AccentRow.h"
#include "Vantor/Pages/FormSection.h"
#include "Vantor/Pages/GroupedForm.h"
#include "Vantor/Pages/ItemHeader.h"
#include "Vantor/Pages/SegmentedControl.h"
#include "Vantor/Pages/StorePicker.h"
#include "Vantor/Pages/SwitchButton.h"
#include "Vantor/Preview/MenuBarPreview.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Language/Units.h"
#include "VantorShared/Meters/MenuBarMode.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {

namespace Key = SharedSettings::Key;

// Every case of a readout enumeration as picker entries, titled as the meters title them.
template <typename E> QList<StorePicker::Entry> entries()
{
    QList<StorePicker::Entry> list;
    for (const E value : EnumCases<E>::all)
        list.append({title(value), rawValue(value)});
    return list;
}

template <typename E> QList<QPair<QString, QString>> choices()
{
    QList<QPair<QString, QString>> list;
    for (const E value : EnumCases<E>::all)
        list.append({title(value), rawValue(value)});
    return list;
}

FormSection* itemSection(GroupedForm* form, MonitorSection section, const QString& title)
{
    return form->addSection(new FormSection(new ItemHeader(section, title)));
}

void addShowSwitch(FormSection* section, MonitorSection monitored)
{
    section->addRow(AppLanguage::string(QStringLiteral("Show in top bar")),
        new SwitchButton(
            MeterSettings::itemVisibilityKey(monitored), [monitored] { return MeterSettings::showsItem(monitored); }));
}

} // namespace

MenuBarPage::MenuBarPage(const QList<CoreTier>& tiers, MenuBarReadings* readings, QWidget* parent)
    : QWidget(parent)
{
    auto* form = new GroupedForm;
    m_preview = new MenuBarPreview(readings);
    form->addSection()->addWidget(m_preview);

    FormSection* all = form->addSection(AppLanguage::string(QStringLiteral("All Items")));
    // Our own bar along the top edge, or items in the desktop's tray; the agent decides in
    // "auto" and switches when a tray appears or goes.
    all->addRow(AppLanguage::string(QStringLiteral("Show meters in")),
        new StorePicker(Key::menuBarMode,
            {{AppLanguage::string(QStringLiteral("Automatic")), rawValue(MenuBarMode::automatic)},
                {AppLanguage::string(QStringLiteral("Top Bar")), rawValue(MenuBarMode::bar)},
                {AppLanguage::string(QStringLiteral("Tray")), rawValue(MenuBarMode::tray)}},
            [] {
                MenuBarModeDecision::Inputs inputs;
                inputs.storedChoice = SharedSettings::store().stringForKey(Key::menuBarMode);
                return rawValue(MenuBarModeDecision::effectiveChoice(inputs));
            }));
    all->addRow(AppLanguage::string(QStringLiteral("Bar shape")),
        new SegmentedControl(Key::meterShape, choices<MeterShape>(), [] { return rawValue(MeterSettings::shape()); }));
    all->addRow(AppLanguage::string(QStringLiteral("Item labels")),
        new SegmentedControl(Key::meterLabelStyle, choices<MeterLabelStyle>(),
            [] { return rawValue(MeterSettings::labelStyle(MonitorSection::cpu)); }));

    FormSection* cpu = itemSection(form, MonitorSection::cpu, AppLanguage::string(QStringLiteral("CPU")));
    addShowSwitch(cpu, MonitorSection::cpu);
    cpu->addRow(AppLanguage::string(QStringLiteral("Meter")),
        new SegmentedControl(Key::meterStyle, choices<MeterStyle>(), [] { return rawValue(MeterSettings::style()); }));
    cpu->addRow(AppLanguage::string(QStringLiteral("Readout")),
        new StorePicker(Key::cpuReadout, entries<CPUReadout>(), [] { return rawValue(MeterSettings::cpuReadout()); }));
    const QString colour = AppLanguage::string(QStringLiteral("Colour"));
    m_cpuAccents.append(new AccentRow(colour, MeterAccentSlot::cpu));
    cpu->addRow(colour, m_cpuAccents.last());
    if (tiers.size() >= 2) {
        const QString title = AppLanguage::string(QStringLiteral("%@ cores"))
                                  .replace(QStringLiteral("%@"), AppLanguage::string(tiers.first().name));
        m_cpuAccents.append(new AccentRow(title, MeterAccentSlot::cpuFastCores));
        cpu->addRow(title, m_cpuAccents.last());
    }

    FormSection* memory = itemSection(form, MonitorSection::memory, AppLanguage::string(QStringLiteral("Memory")));
    addShowSwitch(memory, MonitorSection::memory);
    memory->addRow(AppLanguage::string(QStringLiteral("Readout")),
        new StorePicker(
            Key::memoryReadout, entries<MemoryReadout>(), [] { return rawValue(MeterSettings::memoryReadout()); }));
    memory->addRow(colour, new AccentRow(colour, MeterAccentSlot::memory));

    FormSection* storage = itemSection(form, MonitorSection::storage, AppLanguage::string(QStringLiteral("Disk")));
    addShowSwitch(storage, MonitorSection::storage);
    storage->addRow(AppLanguage::string(QStringLiteral("Readout")),
        new StorePicker(
            Key::storageReadout, entries<StorageReadout>(), [] { return rawValue(MeterSettings::storageReadout()); }));
    storage->addRow(colour, new AccentRow(colour, MeterAccentSlot::storage));

    m_sensors = itemSection(form, MonitorSection::sensors, AppLanguage::string(QStringLiteral("Sensors")));
    addShowSwitch(m_sensors, MonitorSection::sensors);
    m_sensors->addRow(AppLanguage::string(QStringLiteral("Readout")),
        new StorePicker(
            Key::sensorsReadout, entries<SensorsReadout>(), [] { return rawValue(MeterSettings::sensorsReadout()); }));
    m_sensors->setFooter(sensorsFooter());
    connect(&SharedSettings::store(), &PreferencesDomain::didChange, this,
        [this] { m_sensors->setFooter(sensorsFooter()); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(form);
}

QString MenuBarPage::sensorsFooter()
{
    // One sentence with two places, so that a translation can order it as its language needs.
    QString text = AppLanguage::string(QStringLiteral("The readout turns amber at %@ and red at %@."));
    const qsizetype first = text.indexOf(QStringLiteral("%@"));
    if (first >= 0)
        text.replace(first, 2, Units::temperature(85, 0));
    const qsizetype second = text.indexOf(QStringLiteral("%@"));
    if (second >= 0)
        text.replace(second, 2, Units::temperature(95, 0));
    return text;
}
