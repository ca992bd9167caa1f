#include "VantorAgent/Machines/MachinesReadings.h"

#include "VantorAgent/Machines/MachinesMonitor.h"
#include "VantorShared/Machines/MachinesConnection.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonObject>
#include <QTimer>

namespace MachinesReadings {

namespace {

QJsonValue optional(const std::optional<double>& value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

} // namespace

QJsonArray json(const QList<MachineStatus>& machines)
{
    QJsonArray list;
    for (const MachineStatus& machine : machines) {
        list.append(QJsonObject {
            {QStringLiteral("name"), machine.name()},
            {QStringLiteral("instance"), machine.instance},
            {QStringLiteral("up"), machine.up},
            {QStringLiteral("cpu"), optional(machine.cpu)},
            {QStringLiteral("memory"), optional(machine.memory)},
            {QStringLiteral("disk"), optional(machine.disk)},
            {QStringLiteral("hottestCelsius"), optional(machine.hottestCelsius)},
            {QStringLiteral("load1"), optional(machine.load1)},
            {QStringLiteral("uptimeSeconds"), optional(machine.uptimeSeconds)},
        });
    }
    return list;
}

std::optional<Sample> sample(SecretStore& secrets)
{
    if (MachinesConnection::serverText().isEmpty())
        return std::nullopt;
    MachinesMonitor monitor(secrets);
    monitor.applySettings();
    // The secret service and the query each answer in their own time; both are bounded.
    QEventLoop loop;
    const QDeadlineTimer deadline(PrometheusClient::defaultTimeout.count() + 5000);
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (monitor.hasAnswered() || deadline.hasExpired())
            loop.quit();
    });
    poll.start();
    if (!monitor.hasAnswered())
        loop.exec();
    if (!monitor.hasAnswered() || monitor.lastError().isError()) {
        PrometheusError error = monitor.lastError();
        if (!error.isError())
            error.kind = PrometheusError::Kind::unreachable;
        return Sample {{}, MachinesConnection::describe(error)};
    }
    return Sample {json(monitor.machines()), {}};
}

} // namespace MachinesReadings
