#pragma once

#include "Platform/LoginItems/LoginItemService.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

// A login item held in memory. Workers call it from pool threads, so every member is guarded;
// tests read the record through calls() and set answers before they act.
class FakeLoginItemService final : public LoginItemService {
public:
    struct Call {
        QString name;
        qint64 atMilliseconds;
    };

    FakeLoginItemService() { m_clock.start(); }

    LoginItemStatus status() const override
    {
        QMutexLocker lock(&m_mutex);
        m_calls.append({QStringLiteral("status"), m_clock.elapsed()});
        if (m_status == LoginItemStatus::enabled && m_switchedOffByUser)
            return LoginItemStatus::requiresApproval;
        return m_status;
    }
    std::optional<LoginItemError> registerItem() override
    {
        QMutexLocker lock(&m_mutex);
        m_calls.append({QStringLiteral("register"), m_clock.elapsed()});
        if (m_registerError)
            return m_registerError;
        m_status = LoginItemStatus::enabled;
        return std::nullopt;
    }
    std::optional<LoginItemError> unregisterItem() override
    {
        QMutexLocker lock(&m_mutex);
        m_calls.append({QStringLiteral("unregister"), m_clock.elapsed()});
        if (m_unregisterError)
            return m_unregisterError;
        if (m_status == LoginItemStatus::notRegistered)
            return LoginItemError {LoginItemError::jobNotFound, QStringLiteral("no such entry")};
        m_status = LoginItemStatus::notRegistered;
        return std::nullopt;
    }
    void openSystemSettings() override
    {
        QMutexLocker lock(&m_mutex);
        m_calls.append({QStringLiteral("openSystemSettings"), m_clock.elapsed()});
    }

    void setStatus(LoginItemStatus status)
    {
        QMutexLocker lock(&m_mutex);
        m_status = status;
    }
    // A registered item reads as requiring approval, as when the user keeps it off in the desktop.
    void setSwitchedOffByUser(bool off)
    {
        QMutexLocker lock(&m_mutex);
        m_switchedOffByUser = off;
    }
    void setRegisterError(std::optional<LoginItemError> error)
    {
        QMutexLocker lock(&m_mutex);
        m_registerError = std::move(error);
    }
    void setUnregisterError(std::optional<LoginItemError> error)
    {
        QMutexLocker lock(&m_mutex);
        m_unregisterError = std::move(error);
    }
    QList<Call> calls() const
    {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }
    // The calls other than status reads, by name.
    QStringList changes() const
    {
        QStringList names;
        for (const Call& call : calls())
            if (call.name != QLatin1String("status"))
                names.append(call.name);
        return names;
    }

private:
    mutable QMutex m_mutex;
    mutable QList<Call> m_calls;
    QElapsedTimer m_clock;
    LoginItemStatus m_status = LoginItemStatus::notRegistered;
    bool m_switchedOffByUser = false;
    std::optional<LoginItemError> m_registerError;
    std::optional<LoginItemError> m_unregisterError;
};
