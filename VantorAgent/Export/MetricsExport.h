#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class MetricsEndpoint;
class QTimer;
class SystemMonitor;

// "Let Prometheus read this computer": while "metricsExportPort" holds a port, the agent's own
// readings are served at http://<address>:<port>/metrics in the OpenMetrics text format, on the
// loopback address unless "metricsExportAddress" names another. The text is made from what the
// sampling engine published when a request comes; nothing is sampled for it, but while it serves
// the engine keeps the sensors and the battery read as if their panel were open, so a collector
// sees them even when no meter shows them.
class MetricsExport : public QObject {
    Q_OBJECT
public:
    struct Binding {
        QHostAddress address;
        quint16 port = 0;
        bool operator==(const Binding&) const = default;
    };

    // What the settings ask for: none when the export is off, or when the port or the address
    // cannot be used (then `problem` says why, for the log).
    static std::optional<Binding> configuredBinding(QString* problem = nullptr);

    // `document` makes the text for one request; `wantAllReadings` is told when serving starts
    // and stops.
    MetricsExport(std::unique_ptr<MetricsEndpoint> endpoint, std::function<QByteArray()> document,
        std::function<void(bool)> wantAllReadings, QObject* parent = nullptr);
    // The agent's export of `monitor`'s readings.
    MetricsExport(std::unique_ptr<MetricsEndpoint> endpoint, SystemMonitor& monitor, QObject* parent = nullptr);
    ~MetricsExport() override;

    // Follows the settings: starts, moves or stops serving. Runs at start-up and on every
    // settings signal; an unchanged setting leaves the endpoint and its connections alone.
    void apply();

    bool isServing() const;
    // Where it serves, or tries to: the binding of the settings last applied.
    std::optional<Binding> binding() const { return m_binding; }
    const MetricsEndpoint& endpoint() const { return *m_endpoint; }

    // A busy port is tried again this often until it is free or the settings change.
    static constexpr int retryIntervalMs = 15000;

private:
    void start();
    void stop();
    void setWanted(bool wanted);

    std::unique_ptr<MetricsEndpoint> m_endpoint;
    std::function<void(bool)> m_wantAllReadings;
    std::optional<Binding> m_binding;
    QString m_lastProblem;
    QTimer* m_retry = nullptr;
    bool m_wanted = false;
};
