#pragma once

#include "Platform/Prometheus/PrometheusServer.h"

#include <QWidget>

#include <functional>
#include <memory>

class PrometheusClient;
class QLabel;
class QPushButton;

// "Test connection": asks the server for its machines with what the form holds now and tells the
// result in words ("12 machines found", or why not). A server with a certificate the system does
// not trust gets a choice to trust that very certificate, shown by its fingerprint.
class ConnectionTestRow : public QWidget {
    Q_OBJECT
public:
    // `server` gives what to test (none: the address is not usable); `filter` the label filter.
    ConnectionTestRow(std::function<std::optional<PrometheusServer>()> server, std::function<QString()> filter,
        QWidget* parent = nullptr);
    ~ConnectionTestRow() override;

    void runTest();
    QString resultText() const;
    QPushButton* testButton() const { return m_test; }
    QPushButton* trustButton() const { return m_trust; }
    // The fingerprint offered for trust, empty when none is.
    const QString& offeredFingerprint() const { return m_offered; }

signals:
    // The answer of a test is shown.
    void finished();

private:
    void trustOffered();

    std::function<std::optional<PrometheusServer>()> m_server;
    std::function<QString()> m_filter;
    std::unique_ptr<PrometheusClient> m_client;
    QPushButton* m_test = nullptr;
    QPushButton* m_trust = nullptr;
    QLabel* m_result = nullptr;
    QString m_offered;
};
