#pragma once

#include "VantorShared/Machines/MachineThresholds.h"
#include "VantorShared/Meters/StatusMetricView.h"

#include <QColor>
#include <QString>
#include <QWidget>

class MachinesMonitor;

// The meter of the other machines: a rack symbol and one readout. The readout is the number of
// machines that need attention when any does, else the busiest machine's CPU; the colour follows
// the worst machine. A server that cannot be reached shows the warning colour and a dash.
class MachinesMeterView : public QWidget {
    Q_OBJECT
public:
    static constexpr double itemWidth = 50;

    struct Face {
        QString text;
        MachineThresholds::Level level = MachineThresholds::Level::normal;
        bool operator==(const Face&) const = default;
    };
    // What the meter shows for the monitor's present state.
    static Face face(const MachinesMonitor& monitor);
    static Face face(
        const QList<MachineStatus>& machines, const MachineThresholds& thresholds, bool failed, bool answered);

    // The colour of the meter's symbol and readout: the label colour, orange or red with the worst
    // machine. The tray's icon draws in the same colours.
    static QColor tint(MachineThresholds::Level level, StatusMetricView::Appearance appearance);

    MachinesMeterView(const MachinesMonitor& monitor, QWidget* parent = nullptr);

    // Repaints only when the face changed.
    void refresh();
    const Face& currentFace() const { return m_face; }
    QString accessibilityText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const MachinesMonitor& m_monitor;
    Face m_face;
};
