#pragma once

#include <QByteArray>
#include <QJsonObject>

class SystemMonitor;

// Every reading the sampling engine publishes, as one JSON document: what `VantorAgent --readings`
// prints. Amounts are in base units (bytes, bytes per second, fractions 0…1, percent of one core
// for processes, degrees Celsius, watts, revolutions per minute, seconds); a reading that has
// not been taken is null.
namespace ReadingsDocument {

QJsonObject build(const SystemMonitor& monitor);
// Indented, ending in a newline.
QByteArray text(const SystemMonitor& monitor);

} // namespace ReadingsDocument
