// The agent's sampling engine and metrics export without the menu bar, for the test that lets a
// real Prometheus collect our readings.
//   metrics_export_host [seconds]   takes a free port on 127.0.0.1 through the export settings,
//                                   prints "127.0.0.1:<port>" once it serves, and exits after
//                                   `seconds` (default 120) in case nobody stops it
// Run it with XDG_CONFIG_HOME and VANTOR_SETTINGS_SUITE of a scratch folder: it writes the port
// into the shared store.
#include "Platform/Http/HttpMetricsEndpoint.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/Export/MetricsExport.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 120;
    SharedSettings::prepareAtLaunch();

    SystemMonitor monitor;
    MetricsExport exporter(std::make_unique<HttpMetricsEndpoint>(), monitor);
    // A port free a moment ago may be taken in between; a few tries settle it.
    for (int attempt = 0; attempt < 5 && !exporter.isServing(); ++attempt) {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0))
            continue;
        const int port = probe.serverPort();
        probe.close();
        SharedSettings::store().setInteger(SharedSettings::Key::metricsExportPort, port);
        exporter.apply();
    }
    if (!exporter.isServing()) {
        std::fprintf(
            stderr, "metrics_export_host: no port to serve on: %s\n", qPrintable(exporter.endpoint().errorString()));
        return 1;
    }
    std::printf("127.0.0.1:%u\n", unsigned(exporter.endpoint().port()));
    std::fflush(stdout);

    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    return app.exec();
}
