#pragma once

#include "VantorShared/Settings/SignalListener.h"
#include "VantorShared/System/CoreTopology.h"

#include <QList>
#include <QWidget>

class AccentRow;
class FormSection;
class MenuBarPreview;
class MenuBarReadings;
class StorePicker;

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

    StorePicker* cpuReadoutPicker() const { return m_cpuReadout; }
    StorePicker* sensorsReadoutPicker() const { return m_sensorsReadout; }

    // "The readout turns amber at 85 °C and red at 95 °C." in the chosen unit; "No sensors found
    // on this machine" where the agent found none.
    static QString sensorsFooter();
    // Takes in what the agent published about this machine and marks the readouts again.
    void adoptReadoutSources();

private:
    MenuBarPreview* m_preview = nullptr;
    FormSection* m_sensors = nullptr;
    StorePicker* m_cpuReadout = nullptr;
    StorePicker* m_memoryReadout = nullptr;
    StorePicker* m_sensorsReadout = nullptr;
    SignalListener m_barListener;
    quint64 m_appliedSources = 0;
    QList<AccentRow*> m_cpuAccents;
};
