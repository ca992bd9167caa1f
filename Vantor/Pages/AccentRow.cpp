#include "Vantor/Pages/AccentRow.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/Pages/AccentSwatch.h"
#include "Vantor/Pages/ColorWell.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QSignalBlocker>

namespace {

const QString kCustom = QStringLiteral("custom");

QString meterName(MeterAccentSlot slot, const QString& rowTitle)
{
    switch (slot) {
    case MeterAccentSlot::cpu:
        return AppLanguage::string(QStringLiteral("CPU"));
    case MeterAccentSlot::memory:
        return AppLanguage::string(QStringLiteral("Memory"));
    case MeterAccentSlot::storage:
        return AppLanguage::string(QStringLiteral("Disk"));
    case MeterAccentSlot::cpuFastCores:
        // Already names the cores ("Performance cores").
        break;
    }
    return rowTitle;
}

} // namespace

AccentRow::AccentRow(const QString& title, MeterAccentSlot slot, QWidget* parent)
    : QWidget(parent)
    , m_slot(slot)
    , m_picker(new QComboBox(this))
    , m_well(new ColorWell(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(m_picker);
    layout->addWidget(m_well);

    m_picker->setIconSize(QSize(12, 12));
    m_picker->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_picker->setAccessibleName(title);
    for (const MeterAccent& preset : MeterAccent::presets())
        m_picker->addItem(QIcon(AccentSwatch::image(preset, 12)), preset.title(), preset.rawValue());
    m_picker->insertSeparator(m_picker->count());
    m_picker->addItem(AppLanguage::string(QStringLiteral("Custom")), kCustom);
    setAccessibleName(title);

    // Every meter's row is titled "Colour", so the well and its picker name the meter instead.
    const QString meter = meterName(slot, title);
    m_well->setAccessibleName(
        AppLanguage::string(QStringLiteral("%@ custom colour")).replace(QStringLiteral("%@"), meter));
    m_well->setPickerTitle(
        AppLanguage::string(QStringLiteral("Custom Colour for %@")).replace(QStringLiteral("%@"), meter));

    m_commit.setSingleShot(true);
    m_commit.setInterval(commitDelayMs);
    connect(&m_commit, &QTimer::timeout, this, &AccentRow::commit);
    connect(m_picker, &QComboBox::activated, this, &AccentRow::choose);
    connect(m_well, &ColorWell::colorEdited, this, &AccentRow::editColor);
    connect(&SharedSettings::store(), &PreferencesDomain::didChange, this, &AccentRow::refresh);
    refresh();
}

QString AccentRow::selection() const
{
    const MeterAccent accent = MeterSettings::accent(m_slot);
    return accent.isCustom() ? kCustom : accent.rawValue();
}

void AccentRow::choose(int index)
{
    const QString value = m_picker->itemData(index).toString();
    if (value == kCustom) {
        // Start from the colour in use now, so choosing "Custom" changes nothing visible.
        const auto accent = MeterAccent::custom(MeterSettings::color(m_slot));
        if (accent)
            SharedSettings::store().setString(key(m_slot), accent->rawValue());
    } else if (!value.isEmpty()) {
        SharedSettings::store().setString(key(m_slot), value);
    }
    refresh();
}

void AccentRow::editColor(const QColor& color)
{
    m_draft = color;
    m_well->setColor(color);
    // Restarting the timer drops the write that was pending.
    m_commit.start();
}

void AccentRow::commit()
{
    if (!m_draft)
        return;
    const auto accent = MeterAccent::custom(*m_draft);
    m_draft.reset();
    if (accent)
        SharedSettings::store().setString(key(m_slot), accent->rawValue());
    refresh();
}

void AccentRow::refresh()
{
    const QString current = selection();
    {
        const QSignalBlocker blocker(m_picker);
        m_picker->setCurrentIndex(m_picker->findData(current));
    }
    m_well->setVisible(current == kCustom);
    m_well->setColor(m_draft.value_or(MeterSettings::color(m_slot)));
}
