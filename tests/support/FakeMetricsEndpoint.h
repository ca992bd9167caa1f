#pragma once

#include "Platform/Http/MetricsEndpoint.h"

#include <QList>

// An endpoint that serves nothing: it records where it was asked to listen, and refuses the
// ports it is told are busy.
class FakeMetricsEndpoint : public MetricsEndpoint {
public:
    struct Listen {
        QHostAddress address;
        quint16 port;
    };

    void setContent(const QByteArray& type, std::function<QByteArray()> body) override
    {
        contentType = type;
        document = std::move(body);
    }
    bool listen(const QHostAddress& address, quint16 port) override
    {
        listens.append({address, port});
        m_listening = !busyPorts.contains(port);
        m_address = address;
        m_port = port;
        return m_listening;
    }
    void close() override
    {
        if (m_listening)
            ++closes;
        m_listening = false;
    }
    bool isListening() const override { return m_listening; }
    QHostAddress address() const override { return m_address; }
    quint16 port() const override { return m_port; }
    QString errorString() const override { return m_listening ? QString() : QStringLiteral("address in use"); }

    QByteArray contentType;
    std::function<QByteArray()> document;
    QList<Listen> listens;
    QList<quint16> busyPorts;
    int closes = 0;

private:
    bool m_listening = false;
    QHostAddress m_address;
    quint16 m_port = 0;
};
