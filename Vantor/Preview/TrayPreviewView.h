#pragma once

#include "VantorShared/Meters/TrayMeterIcon.h"
#include "VantorShared/System/MonitorSection.h"

#include <QList>
#include <QWidget>

class MenuBarReadings;

// The preview's row of meters as a desktop tray shows them: each visible section's square icon at
// the tray's usual size, with the readout as a label beside it where the tray shows labels, in
// the stored order. The tray places its items itself, so nothing here can be dragged.
class TrayPreviewView : public QWidget {
    Q_OBJECT
public:
    static constexpr int iconSize = 22;
    static constexpr int spacing = 8;

    // Draws from `readings` (not owned).
    explicit TrayPreviewView(MenuBarReadings& readings, QWidget* parent = nullptr);

    // Whether the labels are drawn; by default as this desktop's tray does.
    void setShowsLabels(bool shows);
    bool showsLabels() const { return m_showsLabels; }
    // The visible sections, left to right.
    QList<MonitorSection> sections() const;
    // The form each section is drawn in.
    TrayMeterIcon::Form form(MonitorSection section) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int labelWidth(MonitorSection section) const;

    MenuBarReadings& m_readings;
    bool m_showsLabels;
};
