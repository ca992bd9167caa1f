#pragma once

#include <QString>

#include <chrono>

// The advisory lock of a preferences domain (a sibling ".lock" file), held for the object's
// lifetime. Acquiring it is bounded: a lock kept by a stopped or hung process must never freeze the
// caller, so after `patience` the lock is given up and isLocked() says so.
class FileLock {
public:
    static constexpr std::chrono::milliseconds defaultPatience {1000};

    explicit FileLock(const QString& path, std::chrono::milliseconds patience = defaultPatience);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool isLocked() const { return m_locked; }
    // Why the lock was not taken, when it was not.
    QString problem() const { return m_problem; }
    // Whether the lock was not taken only because someone else held it all along.
    bool timedOut() const { return m_timedOut; }

private:
    int m_fd = -1;
    bool m_locked = false;
    bool m_timedOut = false;
    QString m_problem;
};
