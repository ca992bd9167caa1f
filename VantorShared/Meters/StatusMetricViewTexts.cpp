// The texts of a meter: readouts, letters, the spoken name, and the draw signature.
#include "VantorShared/Meters/StatusMetricView.h"

#include "VantorShared/Language/Units.h"
#include "VantorShared/Meters/StatusMetricViewDrawing.h"

#include <bit>
#include <cmath>

using namespace StatusMetricViewDrawing;

namespace {

QString signatureNumber(double value)
{
    return QString::number(wholeNumber(value).value_or(0));
}

QString wattsText(double watts)
{
    return wholeNumberText(watts) + QLatin1Char('W');
}

std::optional<QString> degreesText(std::optional<double> celsius)
{
    if (!celsius)
        return std::nullopt;
    return Units::degrees(*celsius);
}

qint64 percentNumber(double fraction)
{
    return fraction > 0 ? qint64(std::round(std::min(fraction, 1.0) * 100)) : 0;
}

// Stand-ins for values that only their text can tell apart exactly (a temperature in the unit
// and locale of the moment, a size in bytes): the value's exact bits, so any change counts.
qint64 exactly(double value)
{
    return std::bit_cast<qint64>(value);
}
qint64 exactly(std::optional<double> value)
{
    return value ? exactly(*value) : qint64(0x7ff8dead);
}
qint64 roundedOrMissing(std::optional<double> value)
{
    return value ? wholeNumber(*value).value_or(-1) : qint64(0x7ff8dead);
}

} // namespace

// MARK: Texts

QString StatusMetricView::percentText(double fraction)
{
    const double percent = fraction > 0 ? std::round(std::min(fraction, 1.0) * 100) : 0.0;
    return QString::number(qint64(percent)) + QLatin1Char('%');
}

std::optional<QString> StatusMetricView::bytesText(std::optional<double> bytes)
{
    if (!bytes)
        return std::nullopt;
    const double gigabytes = *bytes / 1073741824.0;
    if (!std::isfinite(gigabytes))
        return QStringLiteral("—");
    if (gigabytes >= 999.5)
        return QString::asprintf("%.1fT", gigabytes / 1024);
    if (gigabytes >= 9.95)
        return QString::asprintf("%.0fG", gigabytes);
    return QString::asprintf("%.1fG", gigabytes);
}

std::optional<QString> StatusMetricView::cpuReadoutText(const MenuBarReadings& readings)
{
    switch (look().cpuReadout) {
    case CPUReadout::off:
        return std::nullopt;
    case CPUReadout::usage:
        return percentText(readings.cpuUsage());
    case CPUReadout::temperature:
        return degreesText(readings.cpuTemperature());
    case CPUReadout::power:
        if (const auto watts = readings.cpuWatts())
            return wattsText(*watts);
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<QString> StatusMetricView::memoryReadoutText(const MenuBarReadings& readings)
{
    switch (look().memoryReadout) {
    case MemoryReadout::off:
        return std::nullopt;
    case MemoryReadout::usage:
        return percentText(readings.memoryUsage());
    case MemoryReadout::pressure:
        return percentText(readings.memoryPressure());
    case MemoryReadout::swap:
        return bytesText(double(readings.swapUsed()));
    }
    return std::nullopt;
}

std::optional<QString> StatusMetricView::storageReadoutText(const MenuBarReadings& readings)
{
    switch (look().storageReadout) {
    case StorageReadout::off:
        return std::nullopt;
    case StorageReadout::usage:
        return percentText(readings.storageUsage());
    case StorageReadout::free:
        return bytesText(double(readings.availableStorage()));
    }
    return std::nullopt;
}

std::optional<QString> StatusMetricView::sensorsReadoutText(const MenuBarReadings& readings)
{
    switch (look().sensorsReadout) {
    case SensorsReadout::off:
        return std::nullopt;
    case SensorsReadout::power:
        if (const auto watts = readings.systemWatts())
            return wattsText(*watts);
        return std::nullopt;
    case SensorsReadout::hottest:
        return degreesText(readings.hottestCelsius());
    case SensorsReadout::gpu:
        return degreesText(readings.gpuTemperature());
    case SensorsReadout::fan:
        if (const auto rpm = readings.fastestFanRPM())
            return wholeNumberText(*rpm);
        return std::nullopt;
    }
    return std::nullopt;
}

QString StatusMetricView::letters(MonitorSection section)
{
    switch (section) {
    case MonitorSection::cpu:
        return QStringLiteral("CPU");
    case MonitorSection::memory:
        return QStringLiteral("RAM");
    case MonitorSection::storage:
        return QStringLiteral("SSD");
    case MonitorSection::sensors:
        return QStringLiteral("SEN");
    }
    return {};
}

QString StatusMetricView::accessibilityText(MonitorSection section)
{
    // The spoken name of a meter is the section's title.
    return title(section);
}

// MARK: Signature

void StatusMetricView::collectSignatureInputs(const MenuBarReadings& readings, std::vector<qint64>& inputs) const
{
    // Everything the signature text is made of, as numbers: comparing these costs no allocation,
    // so an unchanged meter keeps its text from the last cycle.
    const Look& settings = look();
    inputs.push_back(qint64(settings.generation));
    inputs.push_back(int(m_section));
    switch (m_section) {
    case MonitorSection::memory:
        inputs.push_back(int(settings.memoryReadout));
        inputs.push_back(percentNumber(
            settings.memoryReadout == MemoryReadout::pressure ? readings.memoryPressure() : readings.memoryUsage()));
        inputs.push_back(qint64(readings.swapUsed()));
        inputs.push_back(wholeNumber(readings.memoryUsage() * 400).value_or(0));
        return;
    case MonitorSection::storage:
        inputs.push_back(int(settings.storageReadout));
        inputs.push_back(percentNumber(readings.storageUsage()));
        inputs.push_back(readings.availableStorage());
        inputs.push_back(wholeNumber(readings.storageUsage() * 400).value_or(0));
        return;
    case MonitorSection::sensors:
        inputs.push_back(int(settings.sensorsReadout));
        switch (settings.sensorsReadout) {
        case SensorsReadout::off:
            return;
        case SensorsReadout::power:
            inputs.push_back(roundedOrMissing(readings.systemWatts()));
            return;
        case SensorsReadout::hottest:
            inputs.push_back(exactly(readings.hottestCelsius()));
            return;
        case SensorsReadout::gpu:
            inputs.push_back(exactly(readings.gpuTemperature()));
            return;
        case SensorsReadout::fan:
            inputs.push_back(roundedOrMissing(readings.fastestFanRPM()));
            return;
        }
        return;
    case MonitorSection::cpu:
        break;
    }
    inputs.push_back(int(settings.cpuReadout));
    switch (settings.cpuReadout) {
    case CPUReadout::off:
        break;
    case CPUReadout::usage:
        inputs.push_back(percentNumber(readings.cpuUsage()));
        break;
    case CPUReadout::temperature:
        inputs.push_back(exactly(readings.cpuTemperature()));
        break;
    case CPUReadout::power:
        inputs.push_back(roundedOrMissing(readings.cpuWatts()));
        break;
    }
    inputs.push_back(int(settings.style));
    switch (settings.style) {
    case MeterStyle::wave: {
        const QList<double>& history = readings.cpuHistory();
        inputs.push_back(qint64(qHashRange(history.begin(), history.end())));
        return;
    }
    case MeterStyle::compact:
        inputs.push_back(wholeNumber(readings.cpuUsage() * 200).value_or(0));
        return;
    case MeterStyle::bars:
        break;
    }
    for (const double usage : readings.coreUsages())
        inputs.push_back(wholeNumber(usage * 33).value_or(0));
}

QString StatusMetricView::drawSignature() const
{
    const MenuBarReadings* readings = m_readings.data();
    if (!readings)
        return {};
    m_nextSignatureInputs.clear(); // keeps its capacity
    collectSignatureInputs(*readings, m_nextSignatureInputs);
    if (!m_signature.isNull() && m_nextSignatureInputs == m_signatureInputs)
        return m_signature;
    std::swap(m_signatureInputs, m_nextSignatureInputs);
    m_signature = signatureText(*readings);
    return m_signature;
}

QString StatusMetricView::signatureText(const MenuBarReadings& source) const
{
    const MenuBarReadings* readings = &source;
    const QChar bar = QLatin1Char('|');
    switch (m_section) {
    case MonitorSection::memory:
        return QStringLiteral("memory|") + memoryReadoutText(*readings).value_or(QString()) + bar
            + signatureNumber(readings->memoryUsage() * 400);
    case MonitorSection::storage:
        return QStringLiteral("storage|") + storageReadoutText(*readings).value_or(QString()) + bar
            + signatureNumber(readings->storageUsage() * 400);
    case MonitorSection::sensors:
        return QStringLiteral("sensors|") + sensorsReadoutText(*readings).value_or(QString());
    case MonitorSection::cpu:
        break;
    }
    const QString readout = cpuReadoutText(*readings).value_or(QString());
    switch (look().style) {
    case MeterStyle::wave: {
        const QList<double>& history = readings->cpuHistory();
        return QStringLiteral("cpu|wave|") + readout + bar
            + QString::number(quint64(qHashRange(history.begin(), history.end())));
    }
    case MeterStyle::compact:
        return QStringLiteral("cpu|compact|") + readout + bar + signatureNumber(readings->cpuUsage() * 200);
    case MeterStyle::bars:
        break;
    }
    QString bars = QStringLiteral("cpu|bars|") + readout + QStringLiteral("|[");
    const QList<double>& usages = readings->coreUsages();
    for (qsizetype i = 0; i < usages.size(); ++i) {
        if (i > 0)
            bars += QStringLiteral(", ");
        bars += signatureNumber(usages[i] * 33);
    }
    bars += QLatin1Char(']');
    return bars;
}
