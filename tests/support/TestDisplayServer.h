#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A display server of its own for a test: a virtual X display (Xvfb), or a headless Wayland
// compositor (Weston) with or without XWayland. Either is stopped when the object goes.
class TestDisplayServer {
public:
    enum class Kind { xvfb, weston, westonWithoutXWayland };

    explicit TestDisplayServer(Kind kind);
    ~TestDisplayServer();
    TestDisplayServer(const TestDisplayServer&) = delete;
    TestDisplayServer& operator=(const TestDisplayServer&) = delete;

    // Whether the server's program is installed at all.
    static bool isInstalled(Kind kind);
    // Starts the server and waits until it takes clients; the reason when it cannot.
    bool start(QString* whyNot = nullptr);

    // The X display (":N"), for Xvfb and for Weston's XWayland; empty when there is none.
    QString x11Display() const { return m_display; }
    // Weston's socket name and its runtime directory.
    QString waylandDisplay() const { return m_socket; }
    QString runtimeDirectory() const { return m_runtime.path(); }
    QString log() const { return m_log; }

private:
    Kind m_kind;
    QProcess m_process;
    QTemporaryDir m_runtime;
    QString m_display;
    QString m_socket;
    QString m_log;
};
