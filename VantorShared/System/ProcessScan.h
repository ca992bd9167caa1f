#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// Finds running copies of the agent by the executable path of every process.
namespace ProcessScan {

inline const QString agentExecutableSuffix = QStringLiteral("/VantorAgent.app/Contents/MacOS/VantorAgent");

struct Entry {
    qint32 pid = 0;
    // Start time in microseconds since 1970; none when it cannot be read.
    std::optional<qint64> started;
    QString path;
    bool operator==(const Entry&) const = default;
};

// Every process whose executable path ends with agentExecutableSuffix, in process-list order
// (this process included when it is such a copy).
QList<Entry> agents(const QString& procRoot = QStringLiteral("/proc"));
QList<Entry> processes(
    const std::function<bool(const QString&)>& matching, const QString& procRoot = QStringLiteral("/proc"));

} // namespace ProcessScan
