#pragma once

#include <QDir>
#include <QLockFile>

// Tests that start real agents or take a bus name that is one per bus (the tray watcher) see one
// another: each holds this turn for as long as it runs, so they take turns across test processes.
class ProcessTestTurn {
public:
    ProcessTestTurn()
        : m_lock(QDir::tempPath() + QStringLiteral("/vantor-agent-process-tests.lock"))
    {
        m_lock.setStaleLockTime(0);
        m_lock.lock();
    }

private:
    QLockFile m_lock;
};
