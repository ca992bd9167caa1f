#include "VantorAgent/Popovers/SensorsDetailView.h"

#include "VantorAgent/Popovers/FanRow.h"
#include "VantorAgent/Popovers/RowList.h"
#include "VantorAgent/Popovers/SensorRow.h"
#include "VantorAgent/Sampling/DetailReadings.h"
#include "VantorAgent/Sensors/SensorCategory.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Language/Units.h"
#include "VantorShared/Panels/DenseSection.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelDivider.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PanelFonts.h"
#include "VantorShared/Panels/PanelFormat.h"

#include <QLabel>
#include <QVBoxLayout>

#include <cmath>

namespace {

enum BatteryRow { charge, health, cycles, status, voltage, draw, timeLeft, batteryRowCount };

} // namespace

SensorsDetailView::SensorsDetailView(DetailReadings& readings, QWidget* parent)
    : QWidget(parent)
    , m_readings(readings)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const bool dark = PanelEnvironment::of(parent).dark;

    auto* thermal = new DenseSection(AppLanguage::string(QStringLiteral("THERMAL STATE")));
    m_thermalState = new SensorRow(QStringLiteral("thermometer.medium"), AppLanguage::string(QStringLiteral("System")));
    thermal->addRow(m_thermalState);
    layout->addWidget(thermal);
    layout->addWidget(new PanelDivider);

    m_temperatureSection = new DenseSection(AppLanguage::string(QStringLiteral("TEMPERATURES")));
    m_noSensors = new QLabel(AppLanguage::string(QStringLiteral("No readable temperature sensors")));
    m_noSensors->setFont(PanelFonts::text(10));
    m_noSensors->setWordWrap(true);
    QPalette palette = m_noSensors->palette();
    palette.setColor(QPalette::WindowText, PanelColors::secondaryLabel(dark));
    m_noSensors->setPalette(palette);
    m_temperatureSection->addRow(m_noSensors);
    layout->addWidget(m_temperatureSection);

    m_batteryDivider = new PanelDivider;
    layout->addWidget(m_batteryDivider);
    m_batterySection = new DenseSection(AppLanguage::string(QStringLiteral("BATTERY")));
    const std::array<std::pair<QString, QString>, batteryRowCount> batteryRows {{
        {QStringLiteral("battery.100"), AppLanguage::string(QStringLiteral("Charge"))},
        {QStringLiteral("heart"), AppLanguage::string(QStringLiteral("Health"))},
        {QStringLiteral("arrow.triangle.2.circlepath"), AppLanguage::string(QStringLiteral("Cycles"))},
        {QStringLiteral("powerplug"), AppLanguage::string(QStringLiteral("Status"))},
        {QStringLiteral("bolt"), AppLanguage::string(QStringLiteral("Voltage"))},
        {QStringLiteral("bolt.horizontal"), AppLanguage::string(QStringLiteral("Draw"))},
        {QStringLiteral("clock"), AppLanguage::string(QStringLiteral("Time Left"))},
    }};
    for (const auto& [icon, title] : batteryRows) {
        auto* row = new SensorRow(icon, title);
        m_batteryRows.append(row);
        m_batterySection->addRow(row);
    }
    layout->addWidget(m_batterySection);

    m_powerDivider = new PanelDivider;
    layout->addWidget(m_powerDivider);
    m_powerSection = new DenseSection(AppLanguage::string(QStringLiteral("POWER")));
    layout->addWidget(m_powerSection);

    m_fanDivider = new PanelDivider;
    layout->addWidget(m_fanDivider);
    m_fanSection = new DenseSection(AppLanguage::string(QStringLiteral("FANS")));
    layout->addWidget(m_fanSection);

    connect(&m_readings, &DetailReadings::changed, this, &SensorsDetailView::refresh);
    refresh();
}

SensorsDetailView::Heat SensorsDetailView::heat(double celsius)
{
    if (celsius >= 95)
        return Heat::hot;
    if (celsius >= 85)
        return Heat::warm;
    return Heat::normal;
}

QString SensorsDetailView::batteryStatus(const BatteryInfo& battery)
{
    if (battery.isCharging)
        return AppLanguage::string(QStringLiteral("Charging"));
    if (battery.isFullyCharged)
        return AppLanguage::string(QStringLiteral("Fully Charged"));
    if (battery.isPluggedIn)
        return AppLanguage::string(QStringLiteral("Power Adapter"));
    return AppLanguage::string(QStringLiteral("Discharging"));
}

SensorRow* SensorsDetailView::batteryRow(const QString& title) const
{
    for (SensorRow* row : m_batteryRows)
        if (row->title() == title && row->isVisibleTo(this))
            return row;
    return nullptr;
}

void SensorsDetailView::refresh()
{
    const DetailReadings& r = m_readings;
    const bool dark = PanelEnvironment::of(this).dark;
    m_thermalState->setValue(r.thermalStateLabel());

    const QList<SensorGroup>& groups = r.sensorGroups();
    m_noSensors->setVisible(groups.isEmpty());
    RowList::resize(
        m_temperatures, groups.size(), *m_temperatureSection, [] { return new SensorRow(QString(), QString()); });
    for (qsizetype i = 0; i < groups.size(); ++i) {
        SensorRow* row = m_temperatures[i];
        row->setIcon(icon(groups[i].category));
        row->setTitle(title(groups[i].category));
        row->setValue(Units::temperature(groups[i].celsius, 1));
        switch (heat(groups[i].celsius)) {
        case Heat::hot:
            row->setValueColor(PanelColors::red(dark));
            break;
        case Heat::warm:
            row->setValueColor(PanelColors::orange(dark));
            break;
        case Heat::normal:
            row->setValueColor(std::nullopt);
            break;
        }
    }

    const std::optional<BatteryInfo>& battery = r.battery();
    m_batteryDivider->setVisible(battery.has_value());
    m_batterySection->setVisible(battery.has_value());
    if (battery) {
        m_batteryRows[charge]->setValue(PanelFormat::percent(int(std::lround(battery->chargePercent))));
        m_batteryRows[health]->setValue(PanelFormat::percent(int(std::lround(battery->healthPercent))));
        m_batteryRows[cycles]->setValue(PanelFormat::number(battery->cycleCount, 0));
        m_batteryRows[status]->setValue(batteryStatus(*battery));
        m_batteryRows[voltage]->setValue(Units::volts(battery->volts));
        m_batteryRows[draw]->setValue(Units::watts(std::fabs(battery->volts * battery->amps), 1));
        m_batteryRows[timeLeft]->setVisible(battery->minutesRemaining.has_value());
        if (battery->minutesRemaining)
            m_batteryRows[timeLeft]->setValue(PanelFormat::hoursMinutes(*battery->minutesRemaining));
    }

    const QList<PowerReading>& power = r.power();
    m_powerDivider->setVisible(!power.isEmpty());
    m_powerSection->setVisible(!power.isEmpty());
    RowList::resize(m_power, power.size(), *m_powerSection, [] { return new SensorRow(QString(), QString()); });
    for (qsizetype i = 0; i < power.size(); ++i) {
        SensorRow* row = m_power[i];
        switch (power[i].channel) {
        case PowerChannel::system:
            row->setIcon(QStringLiteral("bolt"));
            row->setTitle(AppLanguage::string(QStringLiteral("System")));
            break;
        case PowerChannel::gpu:
            row->setIcon(QStringLiteral("cube.transparent"));
            row->setTitle(AppLanguage::string(QStringLiteral("GPU")));
            break;
        case PowerChannel::cpu:
            row->setIcon(QStringLiteral("cpu"));
            row->setTitle(AppLanguage::string(QStringLiteral("CPU")));
            break;
        }
        row->setValue(Units::watts(power[i].watts, 1));
    }

    const QList<FanReading>& fans = r.fans();
    m_fanDivider->setVisible(!fans.isEmpty());
    m_fanSection->setVisible(!fans.isEmpty());
    RowList::resize(m_fans, fans.size(), *m_fanSection, [&fans] { return new FanRow(fans.front()); });
    for (qsizetype i = 0; i < fans.size(); ++i)
        m_fans[i]->setFan(fans[i]);
}
