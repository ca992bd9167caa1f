#pragma once

#include "VantorShared/Machines/MachineStatus.h"
#include "VantorShared/Machines/MachineThresholds.h"

#include <QWidget>

// One machine in the machines panel: a state dot, the name and since when it is up or down;
// CPU, memory and root-disk bars; hottest temperature, load and uptime. Clicking it asks for the
// machine's own panel.
class MachineRow : public QWidget {
    Q_OBJECT
public:
    explicit MachineRow(QWidget* parent = nullptr);

    void setMachine(const MachineStatus& machine, const MachineThresholds& thresholds, const QDateTime& now);
    const MachineStatus& machine() const { return m_machine; }

    // "Up since 14:02", "Down since 3 Dec": the time alone for today.
    static QString sinceText(const MachineStatus& machine, const QDateTime& now);
    // "62 °C · Load 1.24 · Up 3 d 4 h", leaving out what is not known.
    static QString detailText(const MachineStatus& machine);

    QSize sizeHint() const override { return {300, rowHeight}; }
    QSize minimumSizeHint() const override { return {0, rowHeight}; }
    static constexpr int rowHeight = 62;

signals:
    void clicked(const QString& instance);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    MachineStatus m_machine;
    MachineThresholds::Level m_level = MachineThresholds::Level::normal;
    QList<MachineThresholds::Reason> m_reasons;
    QString m_since;
    QString m_detail;
    bool m_hovered = false;
};
