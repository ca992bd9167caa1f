#pragma once

#include "VantorAgent/Sensors/BatteryInfo.h"
#include "VantorAgent/Sensors/SensorCategory.h"

#include <QColor>
#include <QList>
#include <QWidget>

class DenseSection;
class DetailReadings;
class FanRow;
class PanelDivider;
class QLabel;
class SensorRow;

// The sensors panel: thermal state, temperatures by part of the machine, battery, power and fans.
class SensorsDetailView : public QWidget {
    Q_OBJECT
public:
    explicit SensorsDetailView(DetailReadings& readings, QWidget* parent = nullptr);

    void refresh();

    // The colour of a temperature: the label colour, orange from 85 °C, red from 95 °C.
    enum class Heat { normal, warm, hot };
    static Heat heat(double celsius);
    // "Charging", "Fully Charged", "Power Adapter" or "Discharging".
    static QString batteryStatus(const BatteryInfo& battery);

    const QList<SensorRow*>& temperatureRows() const { return m_temperatures; }
    QLabel* noSensorsLabel() const { return m_noSensors; }
    DenseSection* batterySection() const { return m_batterySection; }
    SensorRow* batteryRow(const QString& title) const;
    const QList<FanRow*>& fanRows() const { return m_fans; }

private:
    DetailReadings& m_readings;
    SensorRow* m_thermalState;
    DenseSection* m_temperatureSection;
    QLabel* m_noSensors;
    QList<SensorRow*> m_temperatures;
    PanelDivider* m_batteryDivider;
    DenseSection* m_batterySection;
    QList<SensorRow*> m_batteryRows;
    PanelDivider* m_powerDivider;
    DenseSection* m_powerSection;
    QList<SensorRow*> m_power;
    PanelDivider* m_fanDivider;
    DenseSection* m_fanSection;
    QList<FanRow*> m_fans;
};
