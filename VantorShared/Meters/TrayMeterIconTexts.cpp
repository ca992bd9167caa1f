// The texts of the tray forms: the label beside an icon, its width guide, the tooltip, and
// whether the desktop's tray shows labels at all.
#include "VantorShared/Meters/TrayMeterIcon.h"

#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Language/Units.h"
#include "VantorShared/Meters/MenuBarReadout.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Meters/ReadoutSources.h"

#include <QStringList>

#include <cmath>
#include <optional>

namespace TrayMeterIcon {

namespace {

std::optional<QString> readoutText(MonitorSection section, const MenuBarReadings& readings)
{
    switch (section) {
    case MonitorSection::cpu:
        return StatusMetricView::cpuReadoutText(readings);
    case MonitorSection::memory:
        return StatusMetricView::memoryReadoutText(readings);
    case MonitorSection::storage:
        return StatusMetricView::storageReadoutText(readings);
    case MonitorSection::sensors:
        return StatusMetricView::sensorsReadoutText(readings);
    }
    return std::nullopt;
}

// A rounded value; a reading that is no number shows as none.
std::optional<QString> whole(std::optional<double> value, const QString& unit = QString())
{
    if (!value || !std::isfinite(*value) || std::abs(*value) > 1e9)
        return std::nullopt;
    return QString::number(std::llround(*value)) + unit;
}

std::optional<QString> degrees(std::optional<double> celsius)
{
    if (!celsius || !std::isfinite(*celsius))
        return std::nullopt;
    return Units::degrees(*celsius);
}

void addLine(QStringList& lines, const QString& name, const std::optional<QString>& value)
{
    if (value && !value->isEmpty())
        lines.append(AppLanguage::string(QStringLiteral("%1: %2")).arg(name, *value));
}

const QString percentGuide = QStringLiteral("100%");
const QString degreesGuide = QStringLiteral("100°");
const QString wattsGuide = QStringLiteral("100W");
const QString bytesGuide = QStringLiteral("999G");

} // namespace

bool desktopShowsLabels()
{
    const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower();
    for (const char* labelling : {"gnome", "unity", "ubuntu", "pantheon", "budgie"})
        if (desktop.contains(QLatin1String(labelling)))
            return true;
    return false;
}

Form form(MonitorSection section, const MenuBarReadings& readings, bool trayShowsLabels)
{
    if (trayShowsLabels || label(section, readings).isEmpty())
        return Form::meter;
    return Form::readout;
}

QString label(MonitorSection section, const MenuBarReadings& readings)
{
    return readoutText(section, readings).value_or(QString());
}

QString labelGuide(MonitorSection section)
{
    // A readout this machine has no source for has no label, so it reserves no room either; one
    // that is only missing for a moment (a battery's draw on mains) keeps its room.
    const ReadoutSources& sources = ReadoutSources::current();
    switch (section) {
    case MonitorSection::cpu:
        if (!sources.supports(MeterSettings::cpuReadout()))
            return {};
        switch (MeterSettings::cpuReadout()) {
        case CPUReadout::off:
            return {};
        case CPUReadout::usage:
            return percentGuide;
        case CPUReadout::temperature:
            return degreesGuide;
        case CPUReadout::power:
            return wattsGuide;
        }
        break;
    case MonitorSection::memory:
        if (!sources.supports(MeterSettings::memoryReadout()))
            return {};
        switch (MeterSettings::memoryReadout()) {
        case MemoryReadout::off:
            return {};
        case MemoryReadout::usage:
        case MemoryReadout::pressure:
            return percentGuide;
        case MemoryReadout::swap:
            return bytesGuide;
        }
        break;
    case MonitorSection::storage:
        switch (MeterSettings::storageReadout()) {
        case StorageReadout::off:
            return {};
        case StorageReadout::usage:
            return percentGuide;
        case StorageReadout::free:
            return bytesGuide;
        }
        break;
    case MonitorSection::sensors:
        if (!sources.supplies(MeterSettings::sensorsReadout()))
            return {};
        switch (MeterSettings::sensorsReadout()) {
        case SensorsReadout::off:
            return {};
        case SensorsReadout::power:
            return wattsGuide;
        case SensorsReadout::hottest:
        case SensorsReadout::gpu:
            return degreesGuide;
        case SensorsReadout::fan:
            return QStringLiteral("8888");
        }
        break;
    }
    return {};
}

QString toolTipText(MonitorSection section, const MenuBarReadings& readings)
{
    QStringList lines;
    switch (section) {
    case MonitorSection::cpu:
        addLine(lines, title(CPUReadout::usage), StatusMetricView::percentText(readings.cpuUsage()));
        addLine(lines, title(CPUReadout::temperature), degrees(readings.cpuTemperature()));
        addLine(lines, title(CPUReadout::power), whole(readings.cpuWatts(), QStringLiteral("W")));
        break;
    case MonitorSection::memory:
        addLine(lines, title(MemoryReadout::usage), StatusMetricView::percentText(readings.memoryUsage()));
        addLine(lines, title(MemoryReadout::pressure), StatusMetricView::percentText(readings.memoryPressure()));
        addLine(lines, title(MemoryReadout::swap), StatusMetricView::bytesText(double(readings.swapUsed())));
        break;
    case MonitorSection::storage:
        addLine(lines, title(StorageReadout::usage), StatusMetricView::percentText(readings.storageUsage()));
        addLine(lines, title(StorageReadout::free),
            StatusMetricView::bytesText(double(std::max<qint64>(0, readings.availableStorage()))));
        break;
    case MonitorSection::sensors:
        addLine(lines, title(SensorsReadout::hottest), degrees(readings.hottestCelsius()));
        addLine(lines, title(SensorsReadout::gpu), degrees(readings.gpuTemperature()));
        addLine(lines, title(SensorsReadout::fan), whole(readings.fastestFanRPM()));
        addLine(lines, title(SensorsReadout::power), whole(readings.systemWatts(), QStringLiteral("W")));
        break;
    }
    return lines.join(QLatin1Char('\n'));
}

QString toolTip(MonitorSection section, const MenuBarReadings& readings)
{
    const QString text = toolTipText(section, readings);
    return text.isEmpty() ? title(section) : title(section) + QLatin1Char('\n') + text;
}

} // namespace TrayMeterIcon
