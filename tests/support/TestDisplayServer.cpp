#include "tests/support/TestDisplayServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>

#include <sys/stat.h>

namespace {

QString program(TestDisplayServer::Kind kind)
{
    return QStandardPaths::findExecutable(
        kind == TestDisplayServer::Kind::xvfb ? QStringLiteral("Xvfb") : QStringLiteral("weston"));
}

// X servers put their sockets here and refuse to start when it is missing.
void ensureX11SocketDirectory()
{
    const QString dir = QStringLiteral("/tmp/.X11-unix");
    if (QDir().mkpath(dir))
        ::chmod(QFile::encodeName(dir).constData(), 01777);
}

} // namespace

TestDisplayServer::TestDisplayServer(Kind kind)
    : m_kind(kind)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

TestDisplayServer::~TestDisplayServer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

bool TestDisplayServer::isInstalled(Kind kind)
{
    return !program(kind).isEmpty();
}

bool TestDisplayServer::start(QString* whyNot)
{
    const auto fail = [&](const QString& reason) {
        if (whyNot)
            *whyNot = reason + QStringLiteral("\n") + m_log;
        return false;
    };
    const QString executable = program(m_kind);
    if (executable.isEmpty())
        return fail(QStringLiteral("not installed"));
    ensureX11SocketDirectory();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QStringList arguments;
    if (m_kind == Kind::xvfb) {
        // Xvfb picks a free display number itself and writes it to our end of the pipe once it
        // accepts clients: tests started at the same moment never pick the same one.
        arguments = {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
            QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")};
    } else {
        if (!m_runtime.isValid())
            return fail(QStringLiteral("no runtime directory"));
        ::chmod(QFile::encodeName(m_runtime.path()).constData(), 0700);
        m_socket = QStringLiteral("vantor-test-%1").arg(QCoreApplication::applicationPid());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        arguments = {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--socket=") + m_socket,
            QStringLiteral("--idle-time=0"), QStringLiteral("--width=1280"), QStringLiteral("--height=800")};
        if (m_kind == Kind::weston)
            arguments.append(QStringLiteral("--xwayland"));
    }
    m_process.setProcessEnvironment(env);
    m_process.start(executable, arguments);
    if (!m_process.waitForStarted(5000))
        return fail(QStringLiteral("did not start"));

    QElapsedTimer clock;
    clock.start();
    static const QRegularExpression xserver(QStringLiteral("xserver listening on display (:\\d+)"));
    while (clock.elapsed() < 15000) {
        m_process.waitForReadyRead(100);
        m_log += QString::fromLocal8Bit(m_process.readAll());
        if (m_process.state() == QProcess::NotRunning)
            return fail(QStringLiteral("exited"));
        if (m_kind == Kind::xvfb) {
            static const QRegularExpression number(QStringLiteral("(?:^|\\n)(\\d+)\\n"));
            if (const QRegularExpressionMatch match = number.match(m_log); match.hasMatch()) {
                m_display = QLatin1Char(':') + match.captured(1);
                return true;
            }
        } else if (QFile::exists(m_runtime.path() + QLatin1Char('/') + m_socket)) {
            if (m_kind == Kind::westonWithoutXWayland)
                return true;
            // XWayland is started on the first X client; its display is announced at once.
            if (const QRegularExpressionMatch match = xserver.match(m_log); match.hasMatch()) {
                m_display = match.captured(1);
                return true;
            }
            if (m_log.contains(QStringLiteral("xwayland")) && m_log.contains(QStringLiteral("fail")))
                return true;
        }
    }
    return fail(QStringLiteral("did not come up in time"));
}
