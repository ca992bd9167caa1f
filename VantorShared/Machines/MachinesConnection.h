#pragma once

#include "Platform/Prometheus/PrometheusError.h"
#include "Platform/Prometheus/PrometheusServer.h"

#include <QString>
#include <QUrl>

#include <optional>

// How both programs reach the Prometheus server the user named: the address, filter, kind of
// credentials and trusted certificate from the shared settings, the secret from the desktop's
// secret service. The secret is filed under the server's address, so a secret typed for one
// server is never sent to another one.
namespace MachinesConnection {

// The secret service's name for Vantor's entries.
inline const QString secretService = QStringLiteral("com.quillon.vantor.machines");

// The stored server text, trimmed; empty means the feature is off.
QString serverText();
// The parsed address, none when it is empty or not a usable http or https address.
std::optional<QUrl> serverURL();
// The stored filter, trimmed.
QString filter();
bool isFilterValid();
PrometheusServer::Auth auth();

// The secret service entry for a server.
QString secretKey(const QUrl& server);
// Everything needed to ask the server, given the secret read for it; none when the address is
// not usable.
std::optional<PrometheusServer> server(const QString& secret);

// The reason in words, for the panel and the settings' connection test.
QString describe(const PrometheusError& error);
// "12 machines found" and its forms for none and one.
QString machinesFound(int count);

} // namespace MachinesConnection
