#pragma once

#include "VantorShared/System/CoreTopology.h"

#include <QList>
#include <QWidget>

class AccentRow;
class FormSection;
class MenuBarPreview;
class MenuBarReadings;

// The meters in the top bar: the live preview, the choices shared by all meters and one section
// per meter.
class MenuBarPage : public QWidget {
    Q_OBJECT
public:
    // `tiers` are the processor's core tiers (the fast-core colour is offered only with two or
    // more).
    explicit MenuBarPage(const QList<CoreTier>& tiers = CoreTopology::tiers(), MenuBarReadings* readings = nullptr,
        QWidget* parent = nullptr);

    MenuBarPreview* preview() const { return m_preview; }
    FormSection* sensorsSection() const { return m_sensors; }
    QList<AccentRow*> cpuAccentRows() const { return m_cpuAccents; }

    // "The readout turns amber at 85 °C and red at 95 °C." in the chosen unit.
    static QString sensorsFooter();

private:
    MenuBarPreview* m_preview = nullptr;
    FormSection* m_sensors = nullptr;
    QList<AccentRow*> m_cpuAccents;
};
