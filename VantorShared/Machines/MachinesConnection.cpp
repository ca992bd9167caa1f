#include "VantorShared/Machines/MachinesConnection.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Machines/MachineQueries.h"
#include "VantorShared/Settings/SharedSettings.h"

namespace MachinesConnection {

QString serverText()
{
    return SharedSettings::store().stringForKey(SharedSettings::Key::machinesServer).value_or(QString()).trimmed();
}

std::optional<QUrl> serverURL()
{
    const QString text = serverText();
    if (text.isEmpty())
        return std::nullopt;
    return PrometheusServer::parseAddress(text);
}

QString filter()
{
    return SharedSettings::store()
        .stringForKey(SharedSettings::Key::machinesFilter)
        .value_or(QStringLiteral("job=\"node\""))
        .trimmed();
}

bool isFilterValid()
{
    return MachineQueries::isValidFilter(filter());
}

PrometheusServer::Auth auth()
{
    return PrometheusServer::authFromText(
        SharedSettings::store().stringForKey(SharedSettings::Key::machinesAuthKind).value_or(QString()));
}

QString secretKey(const QUrl& server)
{
    return server.adjusted(QUrl::StripTrailingSlash | QUrl::NormalizePathSegments).toString(QUrl::FullyEncoded);
}

std::optional<PrometheusServer> server(const QString& secret)
{
    const auto url = serverURL();
    if (!url)
        return std::nullopt;
    PrometheusServer result;
    result.baseURL = *url;
    result.auth = auth();
    result.user = SharedSettings::store().stringForKey(SharedSettings::Key::machinesUser).value_or(QString());
    result.secret = secret;
    result.trustedCertificate
        = SharedSettings::store().stringForKey(SharedSettings::Key::machinesTrustedCertificate).value_or(QString());
    return result;
}

QString describe(const PrometheusError& error)
{
    switch (error.kind) {
    case PrometheusError::Kind::none:
        return {};
    case PrometheusError::Kind::unreachable:
        return AppLanguage::string(QStringLiteral("The server cannot be reached."));
    case PrometheusError::Kind::tls:
        if (!error.certificateFingerprint.isEmpty())
            return AppLanguage::string(QStringLiteral("The server's certificate is not trusted."));
        return AppLanguage::string(QStringLiteral("The secure connection to the server failed."));
    case PrometheusError::Kind::unauthorized:
        return AppLanguage::string(QStringLiteral("The server refused the credentials (%1)."))
            .arg(error.httpStatus > 0 ? error.httpStatus : 401);
    case PrometheusError::Kind::notPrometheus:
        return AppLanguage::string(QStringLiteral("This is not a Prometheus server."));
    case PrometheusError::Kind::queryFailed:
        return AppLanguage::string(QStringLiteral("The server refused the query: %1")).arg(error.detail);
    case PrometheusError::Kind::tooLarge:
        return AppLanguage::string(QStringLiteral("The server's answer is too large."));
    case PrometheusError::Kind::invalidAddress:
        return AppLanguage::string(QStringLiteral("The address is not an http or https address."));
    }
    return {};
}

QString machinesFound(int count)
{
    if (count <= 0)
        return AppLanguage::string(QStringLiteral("No machines found"));
    if (count == 1)
        return AppLanguage::string(QStringLiteral("1 machine found"));
    return AppLanguage::string(QStringLiteral("%1 machines found")).arg(count);
}

} // namespace MachinesConnection
