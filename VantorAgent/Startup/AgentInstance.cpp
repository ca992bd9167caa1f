#include "VantorAgent/Startup/AgentInstance.h"

#include "Platform/Kernel/ProcessEnvironment.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QHash>

#include <unistd.h>

namespace {

const QString kBusAddress = QStringLiteral("DBUS_SESSION_BUS_ADDRESS");
const QString kRuntimeDir = QStringLiteral("XDG_RUNTIME_DIR");

// The bus a process with these variables connects to: the address when there is one, else the
// per-user socket the bus library falls back to.
QString busOf(const std::optional<QString>& address, const std::optional<QString>& runtimeDir)
{
    if (address && !address->isEmpty())
        return *address;
    if (runtimeDir && !runtimeDir->isEmpty())
        return QStringLiteral("unix:path=") + *runtimeDir + QStringLiteral("/bus");
    return {};
}

std::optional<QString> variable(const QString& name)
{
    const QByteArray key = name.toLocal8Bit();
    if (!qEnvironmentVariableIsSet(key.constData()))
        return std::nullopt;
    return qEnvironmentVariable(key.constData());
}

std::optional<QString> lookup(const QHash<QString, QString>& variables, const QString& name)
{
    const auto it = variables.constFind(name);
    return it == variables.constEnd() ? std::nullopt : std::optional<QString>(*it);
}

} // namespace

bool AgentInstance::isLaterThan(const AgentInstance& other) const
{
    if (launchDate && other.launchDate && *launchDate != *other.launchDate)
        return *other.launchDate < *launchDate;
    return other.pid < pid;
}

bool AgentInstance::shouldYield(qint32 ownPid, const QList<ProcessScan::Entry>& agents)
{
    const auto own = std::find_if(
        agents.cbegin(), agents.cend(), [ownPid](const ProcessScan::Entry& entry) { return entry.pid == ownPid; });
    if (own == agents.cend())
        return false;
    const AgentInstance me = from(*own);
    for (const ProcessScan::Entry& entry : agents) {
        if (entry.pid == me.pid)
            continue;
        if (me.isLaterThan(from(entry)))
            return true;
    }
    return false;
}

std::optional<ProcessScan::Entry> AgentInstance::yieldTarget(
    qint32 ownPid, const QList<ProcessScan::Entry>& agents, const Scope& own, const ScopeOf& scopeOf)
{
    const auto self = std::find_if(
        agents.cbegin(), agents.cend(), [ownPid](const ProcessScan::Entry& entry) { return entry.pid == ownPid; });
    if (self == agents.cend())
        return std::nullopt;
    const AgentInstance me = from(*self);
    std::optional<ProcessScan::Entry> earliest;
    for (const ProcessScan::Entry& entry : agents) {
        if (entry.pid == ownPid || !me.isLaterThan(from(entry)))
            continue;
        if (scopeOf && scopeOf(entry.pid) != own)
            continue;
        if (!earliest || from(*earliest).isLaterThan(from(entry)))
            earliest = entry;
    }
    return earliest;
}

AgentInstance::Scope AgentInstance::ownScope()
{
    return {quint32(::geteuid()), busOf(variable(kBusAddress), variable(kRuntimeDir)), SharedSettings::suiteName()};
}

std::optional<AgentInstance::Scope> AgentInstance::scopeOf(qint32 pid, const QString& procRoot)
{
    const auto uid = ProcessEnvironment::ownerUid(pid, procRoot);
    if (!uid)
        return std::nullopt;
    const auto variables
        = ProcessEnvironment::variables(pid, {kBusAddress, kRuntimeDir, SharedSettings::Env::settingsSuite}, procRoot);
    if (!variables)
        return std::nullopt;
    const auto suite = lookup(*variables, SharedSettings::Env::settingsSuite);
    return Scope {*uid, busOf(lookup(*variables, kBusAddress), lookup(*variables, kRuntimeDir)),
        suite ? *suite : SharedSettings::defaultSuiteName};
}
