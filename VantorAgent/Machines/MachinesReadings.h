#pragma once

#include "VantorShared/Machines/MachineStatus.h"

#include <QJsonArray>
#include <QList>
#include <QString>

#include <optional>

class SecretStore;

// The other machines in `VantorAgent --readings`: one object per machine with `name`, `up`,
// `cpu`, `memory`, `disk` (fractions 0–1) and `hottestCelsius`, null where not known, plus the
// `instance`, `load1` and `uptimeSeconds` the panel shows.
namespace MachinesReadings {

QJsonArray json(const QList<MachineStatus>& machines);
struct Sample {
    QJsonArray machines;
    // Why the list is empty when the server gave no answer, in words; empty after an answer.
    QString error;
};
// Asks the configured server once and waits for the answer (at most the query's own deadline).
// None when no server is set.
std::optional<Sample> sample(SecretStore& secrets);

} // namespace MachinesReadings
