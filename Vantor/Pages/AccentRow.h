#pragma once

#include "VantorShared/Meters/MeterAccentSlot.h"

#include <QColor>
#include <QTimer>
#include <QWidget>

#include <optional>

class ColorWell;
class QComboBox;

// The accent chooser of one meter: the eight presets and "Custom", and for a custom accent a
// colour well. Colours picked in the well are kept as a draft and written 0.1 s after the last
// one, so dragging across the picker writes the store (and wakes the agent) once per pause instead
// of on every intermediate colour.
class AccentRow : public QWidget {
    Q_OBJECT
public:
    AccentRow(const QString& title, MeterAccentSlot slot, QWidget* parent = nullptr);

    static constexpr int commitDelayMs = 100;

    QComboBox* picker() const { return m_picker; }
    ColorWell* well() const { return m_well; }
    std::optional<QColor> draft() const { return m_draft; }
    // "custom" or the stored preset's raw value.
    QString selection() const;

    // What the well reports while the user picks.
    void editColor(const QColor& color);
    void refresh();

private:
    void choose(int index);
    void commit();

    MeterAccentSlot m_slot;
    QComboBox* m_picker = nullptr;
    ColorWell* m_well = nullptr;
    std::optional<QColor> m_draft;
    QTimer m_commit;
};
