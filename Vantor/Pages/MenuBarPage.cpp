#include "Vantor/Pages/MenuBarPage.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/Pages/AccentRow.h"
#include "Vantor/Pages/FormSection.h"
#include "Vantor/Pages/GroupedForm.h"
#include "Vantor/Pages/ItemHeader.h"
#include "Vantor/Pages/MenuBarPlacementNote.h"
#include "Vantor/Pages/SegmentedControl.h"
#include "Vantor/Pages/StorePicker.h"
#include "Vantor/Pages/SwitchButton.h"
#include "Vantor/Preview/MenuBarPreview.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Language/Units.h"
#include "VantorShared/Meters/MenuBarMode.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Meters/ReadoutSources.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

#include <type_traits>

namespace {

namespace Key = SharedSettings::Key;

// Every case of a readout enumeration as picker entries, titled as the meters title them; those
// this machine cannot supply are marked, but stay choices.
template <typename E> QList<StorePicker::Entry> entries()
{
    const ReadoutSources& sources = ReadoutSources::current();
    QList<StorePicker::Entry> list;
    for (const E value : EnumCases<E>::all) {
        bool supplied = true;
        if constexpr (std::is_same_v<E, SensorsReadout>)
            supplied = sources.supplies(value);
        else
            supplied = sources.supports(value);
        list.append({title(value), rawValue(value), false, !supplied});
    }
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
    // What the agent found on this machine decides which readouts are marked and what the
    // preview draws.
    ReadoutSources::adoptPublished();
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
    all->addWidget(new MenuBarPlacementNote);
    all->addRow(AppLanguage::string(QStringLiteral("Bar shape")),
        new SegmentedControl(Key::meterShape, choices<MeterShape>(), [] { return rawValue(MeterSettings::shape()); }));
    all->addRow(AppLanguage::string(QStringLiteral("Item labels")),
        new SegmentedControl(Key::meterLabelStyle, choices<MeterLabelStyle>(),
            [] { return rawValue(MeterSettings::labelStyle(MonitorSection::cpu)); }));

    FormSection* cpu = itemSection(form, MonitorSection::cpu, AppLanguage::string(QStringLiteral("CPU")));
    addShowSwitch(cpu, MonitorSection::cpu);
    cpu->addRow(AppLanguage::string(QStringLiteral("Meter")),
        new SegmentedControl(Key::meterStyle, choices<MeterStyle>(), [] { return rawValue(MeterSettings::style()); }));
    m_cpuReadout
        = new StorePicker(Key::cpuReadout, entries<CPUReadout>(), [] { return rawValue(MeterSettings::cpuReadout()); });
    cpu->addRow(AppLanguage::string(QStringLiteral("Readout")), m_cpuReadout);
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
    m_memoryReadout = new StorePicker(
        Key::memoryReadout, entries<MemoryReadout>(), [] { return rawValue(MeterSettings::memoryReadout()); });
    memory->addRow(AppLanguage::string(QStringLiteral("Readout")), m_memoryReadout);
    memory->addRow(colour, new AccentRow(colour, MeterAccentSlot::memory));

    FormSection* storage = itemSection(form, MonitorSection::storage, AppLanguage::string(QStringLiteral("Disk")));
    addShowSwitch(storage, MonitorSection::storage);
    storage->addRow(AppLanguage::string(QStringLiteral("Readout")),
        new StorePicker(
            Key::storageReadout, entries<StorageReadout>(), [] { return rawValue(MeterSettings::storageReadout()); }));
    storage->addRow(colour, new AccentRow(colour, MeterAccentSlot::storage));

    m_sensors = itemSection(form, MonitorSection::sensors, AppLanguage::string(QStringLiteral("Sensors")));
    addShowSwitch(m_sensors, MonitorSection::sensors);
    m_sensorsReadout = new StorePicker(
        Key::sensorsReadout, entries<SensorsReadout>(), [] { return rawValue(MeterSettings::sensorsReadout()); });
    m_sensors->addRow(AppLanguage::string(QStringLiteral("Readout")), m_sensorsReadout);
    m_sensors->setFooter(sensorsFooter());
    m_appliedSources = ReadoutSources::generation();
    connect(&SharedSettings::store(), &PreferencesDomain::didChange, this, [this] {
        m_sensors->setFooter(sensorsFooter());
        adoptReadoutSources();
    });
    // The agent tells when it learnt something new about the machine.
    QPointer<MenuBarPage> self(this);
    m_barListener.listen(SharedSettings::Signal::menuBarChanged, [self] {
        if (self)
            self->adoptReadoutSources();
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(form);
}

void MenuBarPage::adoptReadoutSources()
{
    // The preview may have adopted the news first; what counts is whether the marks are current.
    ReadoutSources::adoptPublished();
    if (m_appliedSources == ReadoutSources::generation())
        return;
    m_appliedSources = ReadoutSources::generation();
    m_cpuReadout->setEntries(entries<CPUReadout>());
    m_memoryReadout->setEntries(entries<MemoryReadout>());
    m_sensorsReadout->setEntries(entries<SensorsReadout>());
    m_sensors->setFooter(sensorsFooter());
}

QString MenuBarPage::sensorsFooter()
{
    // Without any temperature, fan or power source the agent leaves the sensors meter out of
    // the bar; the switch keeps the user's choice, and this says why nothing shows.
    if (!ReadoutSources::current().hasSource(MonitorSection::sensors))
        return AppLanguage::string(QStringLiteral("No sensors found on this machine"));
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
