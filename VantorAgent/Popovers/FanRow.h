#pragma once

#include "VantorAgent/Popovers/SensorRow.h"
#include "VantorAgent/Sensors/FanReading.h"

// A fan line: "Fan n", its speed in an rpm column, and where the speed sits in the fan's range.
class FanRow : public SensorRow {
    Q_OBJECT
public:
    explicit FanRow(const FanReading& fan, QWidget* parent = nullptr);

    void setFan(const FanReading& fan);
    const QString& rangeText() const { return m_range; }
    // The position in the fan's range as a whole-number percent; empty without a usable range.
    static QString rangeText(const FanReading& fan);

    static constexpr int rpmColumn = 72;
    static constexpr int rangeColumn = 30;

protected:
    void paintEvent(QPaintEvent* event) override;
    int valueRight() const override { return width() - rpmColumn - rangeColumn; }

private:
    QString m_rpm;
    QString m_range;
};
