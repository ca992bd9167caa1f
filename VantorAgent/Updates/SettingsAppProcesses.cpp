#include "VantorAgent/Updates/SettingsAppProcesses.h"

#include "Platform/Bundles/Bundle.h"
#include "VantorShared/System/AppLinks.h"
#include "VantorShared/System/ProcessScan.h"

#include <QFile>

#include <csignal>

#include <sys/types.h>

SystemSettingsAppProcesses::SystemSettingsAppProcesses(QString within, QString procRoot)
    : m_within(within.isEmpty() || within.endsWith(QLatin1Char('/')) ? within : within + QLatin1Char('/'))
    , m_procRoot(std::move(procRoot))
{
}

QList<qint32> SystemSettingsAppProcesses::running()
{
    static const QString suffix = QStringLiteral(".app/Contents/MacOS/Vantor");
    QList<qint32> pids;
    const auto candidates = ProcessScan::processes(
        [this](const QString& path) { return path.endsWith(suffix) && path.startsWith(m_within); }, m_procRoot);
    for (const ProcessScan::Entry& entry : candidates) {
        // <bundle>/Contents/MacOS/Vantor: the bundle is three levels up.
        const QString bundlePath = entry.path.section(QLatin1Char('/'), 0, -4);
        const auto bundle = Bundle::open(bundlePath);
        if (bundle && bundle->identifier() == AppLinks::settingsAppIdentifier)
            pids.append(entry.pid);
    }
    return pids;
}

void SystemSettingsAppProcesses::terminate(qint32 pid)
{
    ::kill(pid, SIGTERM);
}

void SystemSettingsAppProcesses::forceTerminate(qint32 pid)
{
    ::kill(pid, SIGKILL);
}

bool SystemSettingsAppProcesses::hasTerminated(qint32 pid)
{
    // A process that has exited but not been reaped yet (a zombie) has terminated as well.
    QFile stat(m_procRoot + QStringLiteral("/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.read(4096);
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0 || close + 2 >= text.size())
        return true;
    const char state = text.at(close + 2);
    return state == 'Z' || state == 'X' || state == 'x';
}
