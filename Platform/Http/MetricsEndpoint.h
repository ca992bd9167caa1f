#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <functional>

// A read-only HTTP endpoint that hands out one document at one path (`/metrics`) to whoever
// asks, for a monitoring server that collects it. The agent's export owns one; tests use a fake.
class MetricsEndpoint : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The document, made afresh for every request (on the main thread), and its media type.
    virtual void setContent(const QByteArray& contentType, std::function<QByteArray()> body) = 0;
    // Stops serving wherever it served and starts on `address`:`port` (0: any free port). False,
    // with errorString() saying why, when the address cannot be taken; then nothing is served.
    virtual bool listen(const QHostAddress& address, quint16 port) = 0;
    // Stops serving and drops every open connection.
    virtual void close() = 0;
    virtual bool isListening() const = 0;
    virtual QHostAddress address() const = 0;
    virtual quint16 port() const = 0;
    virtual QString errorString() const = 0;

    static inline const QByteArray path = QByteArrayLiteral("/metrics");
};
