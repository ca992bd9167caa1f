#include "VantorAgent/Machines/MachineNotifications.h"

#include "Platform/Notifications/DesktopNotifier.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/Machines/MachinesMonitor.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Language/Units.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <cmath>

namespace {

QString percent(double fraction)
{
    return QString::number(int(std::lround(fraction * 100)));
}

QString reasonText(MachineThresholds::Reason reason, const MachineThresholds& thresholds)
{
    using Reason = MachineThresholds::Reason;
    switch (reason) {
    case Reason::down:
        return AppLanguage::string(QStringLiteral("Not reachable by the server"));
    case Reason::cpu:
        return AppLanguage::string(QStringLiteral("CPU above %1%")).arg(percent(thresholds.cpu));
    case Reason::memory:
        return AppLanguage::string(QStringLiteral("Memory above %1%")).arg(percent(thresholds.memory));
    case Reason::disk:
        return AppLanguage::string(QStringLiteral("Disk above %1%")).arg(percent(thresholds.disk));
    case Reason::temperature:
        return AppLanguage::string(QStringLiteral("Temperature above %1"))
            .arg(Units::temperature(thresholds.celsius, 0));
    }
    return {};
}

} // namespace

MachineNotifications::MachineNotifications(MachinesMonitor& monitor, DesktopNotifier& notifier, QObject* parent)
    : QObject(parent)
    , m_monitor(monitor)
    , m_notifier(notifier)
    , m_clock([] { return QDateTime::currentDateTimeUtc(); })
{
    connect(&monitor, &MachinesMonitor::machinesUpdated, this, &MachineNotifications::machinesUpdated);
}

std::pair<QString, QString> MachineNotifications::texts(
    const MachineAlerts::Event& event, const MachineThresholds& thresholds)
{
    if (event.kind == MachineAlerts::Event::Kind::recovered) {
        return {AppLanguage::string(QStringLiteral("%1 has recovered")).arg(event.name),
            AppLanguage::string(QStringLiteral("Its readings are back within your limits."))};
    }
    QStringList lines;
    for (const auto reason : event.reasons)
        lines.append(reasonText(reason, thresholds));
    const bool down = event.reasons.contains(MachineThresholds::Reason::down);
    const QString title = down ? AppLanguage::string(QStringLiteral("%1 is down")).arg(event.name)
                               : AppLanguage::string(QStringLiteral("%1 needs attention")).arg(event.name);
    return {title, lines.join(QLatin1Char('\n'))};
}

std::pair<QString, QString> MachineNotifications::summary(const QList<MachineAlerts::Event>& events)
{
    QStringList attention;
    QStringList recovered;
    for (const auto& event : events)
        (event.kind == MachineAlerts::Event::Kind::attention ? attention : recovered).append(event.name);
    QStringList title;
    QStringList body;
    if (!attention.isEmpty()) {
        title.append(AppLanguage::string(QStringLiteral("%1 machines need attention")).arg(attention.size()));
        body.append(attention.join(QStringLiteral(", ")));
    }
    if (!recovered.isEmpty()) {
        title.append(AppLanguage::string(QStringLiteral("%1 machines have recovered")).arg(recovered.size()));
        body.append(recovered.join(QStringLiteral(", ")));
    }
    return {title.join(QStringLiteral("; ")), body.join(QLatin1Char('\n'))};
}

void MachineNotifications::machinesUpdated(const QList<MachineStatus>& machines)
{
    const QList<MachineAlerts::Event> events = m_alerts.update(machines, m_monitor.thresholds(), m_clock());
    // The hold times run on while notifications are off, so turning them on later tells only of
    // what happens from then on.
    if (events.isEmpty() || !SharedSettings::store().boolForKey(SharedSettings::Key::machinesAlerts))
        return;
    if (events.size() > mostSeparateEvents) {
        const auto [title, body] = summary(events);
        m_notifier.notify(title, body);
        return;
    }
    for (const auto& event : events) {
        const auto [title, body] = texts(event, m_monitor.thresholds());
        m_notifier.notify(title, body);
    }
}
