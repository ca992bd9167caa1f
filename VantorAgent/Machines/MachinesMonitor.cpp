#include "VantorAgent/Machines/MachinesMonitor.h"

#include "Platform/Secrets/SecretStore.h"
#include "VantorShared/Machines/MachineQueries.h"
#include "VantorShared/Machines/MachinesConnection.h"

#include <QPointer>

#include <algorithm>

MachinesMonitor::MachinesMonitor(SecretStore& secrets, QObject* parent)
    : QObject(parent)
    , m_secrets(secrets)
    , m_clock([] { return QDateTime::currentDateTimeUtc(); })
{
    m_timer.setSingleShot(true);
    // The server's answers are not urgent to the second; let the system bundle wake-ups.
    m_timer.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &MachinesMonitor::refreshNow);
}

MachinesMonitor::~MachinesMonitor() = default;

void MachinesMonitor::applySettings()
{
    m_thresholds = MachineThresholds::fromSettings();
    const auto url = MachinesConnection::serverURL();
    const QString filter = MachinesConnection::filter();
    const PrometheusServer::Auth auth = MachinesConnection::auth();
    const auto partial = MachinesConnection::server(QString());
    const QString key = MachinesConnection::serverText() + QLatin1Char('\n')
        + (url ? url->toString() + QLatin1Char('\n') + filter + QLatin1Char('\n') + PrometheusServer::authText(auth)
                    + QLatin1Char('\n') + (partial ? partial->user : QString()) + QLatin1Char('\n')
                    + (partial ? partial->trustedCertificate : QString())
               : QString());
    if (key == m_configurationKey) {
        // Only the thresholds may have changed: the order of the list may have.
        m_thresholds.sort(m_machines);
        // The settings app stores a new password or token and then posts the settings signal;
        // the secret itself is not in the settings, so it is read again.
        if (m_ready && url && auth != PrometheusServer::Auth::none) {
            const quint64 generation = m_generation;
            m_secrets.read(MachinesConnection::secretKey(*url),
                [self = QPointer<MachinesMonitor>(this), generation](std::optional<QString> secret) {
                    if (self && generation == self->m_generation
                        && secret.value_or(QString()) != self->m_client.server().secret) {
                        self->m_failures = 0;
                        self->configure(secret.value_or(QString()), generation);
                    }
                });
        }
        emit changed();
        return;
    }
    m_configurationKey = key;
    const quint64 generation = ++m_generation;
    m_client.cancelAll();
    m_inFlight = false;
    m_timer.stop();
    m_machines.clear();
    m_since.clear();
    m_lastError = {};
    m_hasAnswered = false;
    m_lastUpdate.reset();
    m_failures = 0;
    m_ready = false;
    m_filter = filter;
    m_configured = !MachinesConnection::serverText().isEmpty();
    if (!m_configured) {
        emit changed();
        return;
    }
    if (!url) {
        m_lastError.kind = PrometheusError::Kind::invalidAddress;
        m_hasAnswered = true;
        emit changed();
        return;
    }
    if (!MachineQueries::isValidFilter(filter)) {
        m_lastError.kind = PrometheusError::Kind::queryFailed;
        m_lastError.detail = QStringLiteral("the label filter is not valid");
        m_hasAnswered = true;
        emit changed();
        return;
    }
    if (auth == PrometheusServer::Auth::none) {
        configure(QString(), generation);
    } else {
        // The secret service answers later; this monitor may be gone by then.
        m_secrets.read(MachinesConnection::secretKey(*url),
            [self = QPointer<MachinesMonitor>(this), generation](std::optional<QString> secret) {
                if (self)
                    self->configure(secret.value_or(QString()), generation);
            });
    }
    emit changed();
}

void MachinesMonitor::configure(const QString& secret, quint64 generation)
{
    if (generation != m_generation)
        return;
    const auto server = MachinesConnection::server(secret);
    if (!server)
        return;
    m_client.setServer(*server);
    m_ready = true;
    refreshNow();
}

void MachinesMonitor::setMeterShown(bool shown)
{
    if (m_meterShown == shown)
        return;
    m_meterShown = shown;
    schedule();
}

void MachinesMonitor::setPanelOpen(bool open)
{
    if (m_panelOpen == open)
        return;
    m_panelOpen = open;
    if (open) {
        // The user is looking: ask at once, even while backing off.
        refreshNow();
    } else {
        schedule();
    }
}

std::chrono::milliseconds MachinesMonitor::currentInterval() const
{
    const std::chrono::milliseconds base = m_panelOpen ? openInterval : shownInterval;
    if (m_failures == 0)
        return base;
    std::chrono::milliseconds wait = shownInterval;
    for (int i = 1; i < m_failures && wait < longestBackoff; ++i)
        wait *= 2;
    wait = std::min<std::chrono::milliseconds>(wait, longestBackoff);
    // An open panel still shows a fresh reason soon, but never faster than the open pace.
    return m_panelOpen ? std::min<std::chrono::milliseconds>(wait, std::chrono::seconds(30)) : wait;
}

void MachinesMonitor::schedule()
{
    m_timer.stop();
    if (!m_ready || m_inFlight || !(m_meterShown || m_panelOpen))
        return;
    m_timer.start(currentInterval());
}

void MachinesMonitor::refreshNow()
{
    if (!m_ready || m_inFlight)
        return;
    m_timer.stop();
    m_inFlight = true;
    const quint64 generation = m_generation;
    m_client.query(MachineQueries::summary(m_filter),
        [this, generation](const PrometheusResult& result) { received(result, generation); });
}

void MachinesMonitor::received(const PrometheusResult& result, quint64 generation)
{
    if (generation != m_generation)
        return;
    m_inFlight = false;
    m_hasAnswered = true;
    if (result.error.isError()) {
        ++m_failures;
        m_lastError = result.error;
        schedule();
        emit changed();
        return;
    }
    m_failures = 0;
    m_lastError = {};
    const QDateTime now = m_clock();
    m_lastUpdate = now;
    QList<MachineStatus> machines = MachineQueries::machinesFromSummary(result);
    QHash<QString, std::pair<bool, QDateTime>> since;
    for (MachineStatus& machine : machines) {
        const auto known = m_since.constFind(machine.instance);
        if (known != m_since.constEnd() && known->first == machine.up) {
            machine.since = known->second;
        } else if (known == m_since.constEnd() && machine.up && machine.uptimeSeconds) {
            // Seen for the first time and up: it has been up since it booted, as far as we can tell.
            machine.since = now.addSecs(-qint64(*machine.uptimeSeconds));
        } else {
            machine.since = now;
        }
        since.insert(machine.instance, {machine.up, machine.since});
    }
    m_since = std::move(since);
    m_thresholds.sort(machines);
    m_machines = std::move(machines);
    schedule();
    emit machinesUpdated(m_machines);
    emit changed();
}
