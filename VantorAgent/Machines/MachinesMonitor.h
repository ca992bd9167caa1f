#pragma once

#include "Platform/Prometheus/PrometheusClient.h"
#include "VantorShared/Machines/MachineStatus.h"
#include "VantorShared/Machines/MachineThresholds.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

class SecretStore;

// The agent's view of the other machines: it asks the Prometheus server for every machine's
// figures on a timer of its own, apart from the sampling cycle (a slow server must never hold up
// our own meters), and publishes them sorted, attention first.
//
// The pace follows what is on screen: every 15 s while the meter shows (or notifications need
// the figures), every 5 s while the panel is open, not at all otherwise. While the server cannot be
// reached the wait doubles up to five minutes, and opening the panel asks again at once.
class MachinesMonitor : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds shownInterval {15};
    static constexpr std::chrono::seconds openInterval {5};
    static constexpr std::chrono::seconds longestBackoff {300};

    // `secrets` outlives the monitor.
    explicit MachinesMonitor(SecretStore& secrets, QObject* parent = nullptr);
    ~MachinesMonitor() override;

    // Re-reads the server, filter, credentials and thresholds; a change of server or credentials
    // forgets what was known and asks again.
    void applySettings();
    void setMeterShown(bool shown);
    void setPanelOpen(bool open);
    // Asks now, unless a query is already on its way.
    void refreshNow();

    bool isConfigured() const { return m_configured; }
    const QList<MachineStatus>& machines() const { return m_machines; }
    const MachineThresholds& thresholds() const { return m_thresholds; }
    // Why the last query failed; no error after a good answer.
    const PrometheusError& lastError() const { return m_lastError; }
    // True once any answer (good or bad) came for the present settings.
    bool hasAnswered() const { return m_hasAnswered; }
    std::optional<QDateTime> lastUpdate() const { return m_lastUpdate; }
    std::chrono::milliseconds currentInterval() const;
    bool isPolling() const { return m_timer.isActive(); }
    PrometheusClient& client() { return m_client; }
    // The filter the queries use (for the machine panel's range queries).
    const QString& filter() const { return m_filter; }

    // For tests: the clock that stamps "since" and drives the notifications' hold time.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

signals:
    // New figures, a new error, or a change of configuration.
    void changed();
    // After every good answer, with the machines as they came, for the notifications.
    void machinesUpdated(const QList<MachineStatus>& machines);

private:
    void schedule();
    void received(const PrometheusResult& result, quint64 generation);
    void configure(const QString& secret, quint64 generation);

    SecretStore& m_secrets;
    PrometheusClient m_client;
    QTimer m_timer;
    std::function<QDateTime()> m_clock;
    QString m_configurationKey;
    QString m_filter;
    bool m_configured = false;
    bool m_ready = false;
    bool m_meterShown = false;
    bool m_panelOpen = false;
    bool m_inFlight = false;
    quint64 m_generation = 0;
    int m_failures = 0;
    MachineThresholds m_thresholds;
    QList<MachineStatus> m_machines;
    QHash<QString, std::pair<bool, QDateTime>> m_since;
    PrometheusError m_lastError;
    bool m_hasAnswered = false;
    std::optional<QDateTime> m_lastUpdate;
};
