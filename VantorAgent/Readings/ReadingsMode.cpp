#include "VantorAgent/Readings/ReadingsMode.h"

#include "Platform/Secrets/KeychainSecretStore.h"
#include "VantorAgent/Machines/MachinesReadings.h"
#include "VantorAgent/Readings/ReadingsDocument.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorShared/Machines/MachinesConnection.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>

namespace ReadingsMode {

namespace {

const QString readingsFlag = QStringLiteral("--readings");

// Runs the event loop until `done` holds or `milliseconds` have passed.
void runUntil(const std::function<bool()>& done, int milliseconds)
{
    if (done && done())
        return;
    QEventLoop loop;
    const QDeadlineTimer deadline(milliseconds);
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if ((done && done()) || deadline.hasExpired())
            loop.quit();
    });
    poll.start();
    loop.exec();
}

void wait(int milliseconds)
{
    runUntil({}, milliseconds);
}

} // namespace

Options parse(const QStringList& arguments)
{
    Options options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        QString* root = nullptr;
        QString name = argument;
        QString value;
        bool hasValue = false;
        if (const qsizetype equals = argument.indexOf(QLatin1Char('=')); equals > 0) {
            name = argument.left(equals);
            value = argument.mid(equals + 1);
            hasValue = true;
        }
        if (name == readingsFlag && !hasValue) {
            options.requested = true;
            continue;
        }
        if (name == QLatin1String("--proc-root"))
            root = &options.procRoot;
        else if (name == QLatin1String("--sys-root"))
            root = &options.sysRoot;
        if (!root) {
            options.error = QStringLiteral("unknown argument %1").arg(argument);
            return options;
        }
        if (!hasValue) {
            if (i + 1 >= arguments.size()) {
                options.error = QStringLiteral("%1 needs a directory").arg(name);
                return options;
            }
            value = arguments.at(++i);
        }
        if (value.isEmpty() || !QFileInfo(value).isDir()) {
            options.error = QStringLiteral("%1: no such directory: %2").arg(name, value);
            return options;
        }
        *root = value;
    }
    return options;
}

bool requested(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i)
        if (argv[i] && readingsFlag == QLatin1String(argv[i]))
            return true;
    return false;
}

void sample(SystemMonitor& monitor, double interval)
{
    const int intervalMs = int(std::lround(std::clamp(interval, 0.1, 10.0) * 1000));
    // Generous bounds for a slow or hung file system; the document is printed in any case.
    const int jobLimitMs = 10000;

    int prepared = 0;
    for (const MonitorSection section : allMonitorSections)
        monitor.prepareDetailedSampling(section, [&prepared] { ++prepared; });
    runUntil([&] { return prepared == int(allMonitorSections.size()); }, jobLimitMs);

    // A scan the first cycle started is let finish, then a baseline is taken; the last scan,
    // two cycles later, gives rates over both intervals.
    runUntil([&] { return !monitor.isScanningProcesses(); }, jobLimitMs);
    const auto scan = [&] {
        const int scans = monitor.processScanCount();
        monitor.sampleProcessesNow();
        runUntil([&] { return monitor.processScanCount() > scans; }, jobLimitMs);
    };
    scan();
    for (int cycle = 0; cycle < 2; ++cycle) {
        wait(intervalMs);
        monitor.refresh();
    }
    scan();
}

int run(int argc, char* argv[], FILE* out, FILE* err)
{
    QCoreApplication app(argc, argv);
    const Options options = parse(app.arguments().mid(1));
    if (!options.error.isEmpty()) {
        std::fprintf(err, "VantorAgent: %s\n", qPrintable(options.error));
        return 2;
    }
    // The factory defaults live in memory only; nothing is written to the settings.
    SharedSettings::registerDefaults();

    SystemMonitor::Sources sources;
    sources.procRoot = options.procRoot;
    sources.sysRoot = options.sysRoot;
    sources.startTimer = false;
    SystemMonitor monitor(sources);
    sample(monitor, SystemMonitor::configuredInterval());

    QJsonObject object = ReadingsDocument::build(monitor);
    // The other machines, when a server is set; the secret service is asked only for credentials.
    KeychainSecretStore secrets(MachinesConnection::secretService);
    if (const auto machines = MachinesReadings::sample(secrets)) {
        object.insert(QStringLiteral("machines"), machines->machines);
        if (!machines->error.isEmpty())
            object.insert(QStringLiteral("machinesError"), machines->error);
    }
    const QByteArray document = QJsonDocument(object).toJson(QJsonDocument::Indented);
    const bool written = std::fwrite(document.constData(), 1, size_t(document.size()), out) == size_t(document.size());
    return written && std::fflush(out) == 0 ? 0 : 1;
}

} // namespace ReadingsMode
