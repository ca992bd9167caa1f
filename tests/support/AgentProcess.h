#pragma once

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

// The built agent, run as a real process with its own settings folder and suite, on this process's
// session bus, with no display and no updater.
class AgentProcess {
public:
    static QString builtProgram() { return QStringLiteral(VANTOR_AGENT_BUNDLE "/Contents/MacOS/VantorAgent"); }

    explicit AgentProcess(const QString& suite, const QString& executable = builtProgram())
        : m_suite(suite)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
        env.insert(SharedSettings::Env::settingsSuite, suite);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(SharedSettings::Env::disableUpdater, QStringLiteral("1"));
        env.remove(SharedSettings::Env::testConfiguration);
        process.setProcessEnvironment(env);
        process.setProgram(executable);
    }
    ~AgentProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    QString configHome() const { return m_home.path(); }
    QString settingsFile() const
    {
        return m_home.path() + QStringLiteral("/vantor/") + m_suite + QStringLiteral(".json");
    }
    void setBool(const QString& key, bool value)
    {
        auto domain = PreferencesDomain::open(m_suite, m_home.path() + QStringLiteral("/vantor"));
        domain->setBool(key, value);
    }
    void setEnvironment(const QString& name, const std::optional<QString>& value)
    {
        QProcessEnvironment env = process.processEnvironment();
        if (value)
            env.insert(name, *value);
        else
            env.remove(name);
        process.setProcessEnvironment(env);
    }
    // Waits until the agent logged `line` (or ended); returns whether it did.
    bool waitForLog(const QString& line, int milliseconds = 10000)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < milliseconds) {
            log += QString::fromUtf8(process.readAllStandardError());
            if (log.contains(line))
                return true;
            if (process.state() == QProcess::NotRunning)
                return false;
            process.waitForReadyRead(100);
        }
        return false;
    }
    // Keeps reading the log while waiting `milliseconds`; whether the process still runs then.
    bool stillRunningAfter(int milliseconds)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < milliseconds && process.state() != QProcess::NotRunning) {
            process.waitForReadyRead(50);
            log += QString::fromUtf8(process.readAllStandardError());
        }
        log += QString::fromUtf8(process.readAllStandardError());
        return process.state() != QProcess::NotRunning;
    }

    QProcess process;
    QString log;

private:
    QString m_suite;
    QTemporaryDir m_home;
};
