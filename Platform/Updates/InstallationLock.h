#pragma once

#include <QString>

#include <optional>

// An exclusive lock on one installation, held by whoever checks, downloads or installs an update
// of it, so that two updaters of the same copy (two agents of one user, say) never clean up or
// replace each other's work. It is a file beside the bundle, locked with flock; the file stays
// when the lock ends, since removing it would let a third updater lock a new file while a second
// still waits on the old one.
class InstallationLock {
public:
    InstallationLock(InstallationLock&& other) noexcept;
    InstallationLock& operator=(InstallationLock&& other) noexcept;
    InstallationLock(const InstallationLock&) = delete;
    InstallationLock& operator=(const InstallationLock&) = delete;
    ~InstallationLock();

    // The lock file's path beside `installedBundle`: ".<name>.lock".
    static QString pathFor(const QString& installedBundle);
    // Takes the lock without waiting. None when another holder has it or the file cannot be
    // opened; `reason` then says which.
    static std::optional<InstallationLock> tryAcquire(const QString& installedBundle, QString* reason = nullptr);

private:
    explicit InstallationLock(int descriptor);
    int m_descriptor = -1;
};
