#include "VantorAgent/Export/MetricsExport.h"

#include "Platform/Http/MetricsEndpoint.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/Export/ExportReadings.h"
#include "VantorAgent/Export/OpenMetricsText.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QTimer>

#include <cmath>

Q_LOGGING_CATEGORY(lcAgentExport, "com.quillon.vantor.agent.export")

namespace {

// The port from the store: a whole number 1…65535; 0 or nothing stored means off. A number
// written as a double or a text of digits by hand counts; anything else is refused.
std::optional<quint16> configuredPort(bool& off, QString& problem)
{
    const QVariant value = SharedSettings::store().objectForKey(SharedSettings::Key::metricsExportPort);
    off = false;
    double number = 0;
    bool ok = false;
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        off = true;
        return std::nullopt;
    case QMetaType::Bool:
        // A switch stored where the port belongs says nothing about which port.
        break;
    case QMetaType::QString:
        number = value.toString().trimmed().toDouble(&ok);
        break;
    default:
        number = value.toDouble(&ok);
        break;
    }
    if (ok && number == 0) {
        off = true;
        return std::nullopt;
    }
    if (ok && std::isfinite(number) && number >= 1 && number <= 65535 && number == std::floor(number))
        return quint16(number);
    problem = QStringLiteral("the port \"%1\" is not a port number from 1 to 65535").arg(value.toString());
    return std::nullopt;
}

std::optional<QHostAddress> configuredAddress(QString& problem)
{
    QString text = SharedSettings::store().stringForKey(SharedSettings::Key::metricsExportAddress).value_or(QString());
    text = text.trimmed();
    if (text.isEmpty())
        return QHostAddress(QHostAddress::LocalHost);
    if (text.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)
        return QHostAddress(QHostAddress::LocalHost);
    // An IPv6 address may come in the brackets of a URL.
    if (text.startsWith(QLatin1Char('[')) && text.endsWith(QLatin1Char(']')))
        text = text.mid(1, text.size() - 2);
    // Only an address: a host name would need a lookup, and a name that resolves elsewhere
    // later must not move the readings onto another network unnoticed.
    const QHostAddress address(text);
    if (address.isNull()) {
        problem = QStringLiteral("\"%1\" is not an IP address").arg(text);
        return std::nullopt;
    }
    return address;
}

} // namespace

std::optional<MetricsExport::Binding> MetricsExport::configuredBinding(QString* problem)
{
    QString why;
    bool off = false;
    const std::optional<quint16> port = configuredPort(off, why);
    std::optional<QHostAddress> address;
    if (port)
        address = configuredAddress(why);
    if (problem)
        *problem = why;
    if (!port || !address)
        return std::nullopt;
    return Binding {*address, *port};
}

MetricsExport::MetricsExport(std::unique_ptr<MetricsEndpoint> endpoint, std::function<QByteArray()> document,
    std::function<void(bool)> wantAllReadings, QObject* parent)
    : QObject(parent)
    , m_endpoint(std::move(endpoint))
    , m_wantAllReadings(std::move(wantAllReadings))
{
    m_endpoint->setContent(OpenMetricsText::contentType, std::move(document));
    m_retry = new QTimer(this);
    m_retry->setInterval(retryIntervalMs);
    connect(m_retry, &QTimer::timeout, this, [this] {
        if (m_binding && !m_endpoint->isListening())
            start();
        else
            m_retry->stop();
    });
}

MetricsExport::MetricsExport(std::unique_ptr<MetricsEndpoint> endpoint, SystemMonitor& monitor, QObject* parent)
    : MetricsExport(
        std::move(endpoint),
        [monitor = QPointer<SystemMonitor>(&monitor), buffer = QByteArray()]() mutable {
            if (!monitor)
                return QByteArray();
            OpenMetricsText::write(ExportReadings::from(*monitor), buffer);
            return buffer;
        },
        [monitor = QPointer<SystemMonitor>(&monitor)](bool wanted) {
            if (monitor)
                monitor->setSamplesAllSensors(wanted);
        },
        parent)
{
}

MetricsExport::~MetricsExport()
{
    stop();
}

void MetricsExport::apply()
{
    QString problem;
    const std::optional<Binding> wanted = configuredBinding(&problem);
    if (!wanted) {
        // Said once per distinct problem, not at every settings signal.
        if (!problem.isEmpty() && problem != m_lastProblem)
            qCWarning(lcAgentExport, "not serving readings: %s", qPrintable(problem));
        m_lastProblem = problem;
        if (m_binding)
            qCInfo(lcAgentExport, "stopped serving readings");
        m_binding.reset();
        stop();
        return;
    }
    if (m_binding == wanted && m_endpoint->isListening())
        return;
    m_binding = wanted;
    m_lastProblem.clear();
    start();
}

bool MetricsExport::isServing() const
{
    return m_endpoint->isListening();
}

void MetricsExport::start()
{
    if (!m_binding)
        return;
    if (m_endpoint->listen(m_binding->address, m_binding->port)) {
        m_retry->stop();
        m_lastProblem.clear();
        qCInfo(lcAgentExport, "serving readings at %s port %u", qPrintable(m_binding->address.toString()),
            unsigned(m_binding->port));
        setWanted(true);
        return;
    }
    const QString problem = QStringLiteral("%1 port %2: %3")
                                .arg(m_binding->address.toString())
                                .arg(m_binding->port)
                                .arg(m_endpoint->errorString());
    if (problem != m_lastProblem)
        qCWarning(lcAgentExport, "cannot serve readings at %s; trying again every %d s", qPrintable(problem),
            retryIntervalMs / 1000);
    m_lastProblem = problem;
    setWanted(false);
    // The port may be held by a copy of the agent that is just exiting, or another program.
    if (!m_retry->isActive())
        m_retry->start();
}

void MetricsExport::stop()
{
    if (m_retry)
        m_retry->stop();
    m_endpoint->close();
    setWanted(false);
}

void MetricsExport::setWanted(bool wanted)
{
    if (m_wanted == wanted)
        return;
    m_wanted = wanted;
    if (m_wantAllReadings)
        m_wantAllReadings(wanted);
}
