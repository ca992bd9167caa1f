#include "Platform/Display/DisplayCheck.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <unistd.h>

namespace DisplayCheck {
namespace {

QtMessageHandler g_previous = nullptr;

void report(const QString& why)
{
    // Logging is not set up this early, and this is the last thing the process says.
    // The program's own name, as the process was started (QCoreApplication does not exist yet).
    QByteArray program = QByteArrayLiteral("vantor");
    if (const QByteArray path = QFile::encodeName(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")));
        !path.isEmpty())
        program = path.mid(path.lastIndexOf('/') + 1);
    const QByteArray line = program
        + QStringLiteral(": no display was found (%1); it needs a graphical session. Exiting.\n")
              .arg(why)
              .toLocal8Bit();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

void fatalToExit(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtFatalMsg) {
        if (g_previous)
            g_previous(type, context, message);
        else
            std::fprintf(stderr, "%s\n", qPrintable(message));
        return;
    }
    const QString why = missingDisplay();
    report(why.isEmpty() ? QStringLiteral("the display could not be opened") : why);
    ::_exit(1);
}

} // namespace

QString missingDisplay(const std::function<QString(const char*)>& variable)
{
    // QT_QPA_PLATFORM may list fallbacks ("wayland;xcb") with options after a colon.
    const QString platforms = variable("QT_QPA_PLATFORM");
    bool needsDisplay = platforms.isEmpty();
    for (const QString& entry : platforms.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString platform = entry.section(QLatin1Char(':'), 0, 0).trimmed();
        if (platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland")))
            needsDisplay = true;
        else
            return {}; // offscreen, a framebuffer, VNC: no desktop display needed
    }
    if (!needsDisplay || !variable("DISPLAY").isEmpty() || !variable("WAYLAND_DISPLAY").isEmpty())
        return {};
    return QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY is set");
}

QString missingDisplay()
{
    return missingDisplay([](const char* name) { return qEnvironmentVariable(name); });
}

void guardPlatformStart(const std::function<void()>& create)
{
    const QString why = missingDisplay();
    if (!why.isEmpty()) {
        report(why);
        ::_exit(1);
    }
    g_previous = qInstallMessageHandler(fatalToExit);
    create();
    qInstallMessageHandler(g_previous);
    g_previous = nullptr;
}

} // namespace DisplayCheck
