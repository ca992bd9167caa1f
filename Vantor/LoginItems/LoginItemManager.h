#pragma once

#include "Platform/LoginItems/LoginItemService.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

// Owns the agent's login item from the settings app: reads its status, registers and unregisters
// it, and turns failures into one-line messages. The file work runs on a worker thread; every
// result is applied on the main thread.
class LoginItemManager : public QObject {
    Q_OBJECT
public:
    // Why this copy of the app cannot change the login item at all.
    enum class Block {
        // Launched for a test run or told not to touch login items.
        suppressed,
        // Running from a temporary location that disappears after exit.
        translocated,
        // The agent program is missing from the bundle.
        incomplete,
    };

    // `service` null: the agent's entry in the user's autostart folder.
    explicit LoginItemManager(std::shared_ptr<LoginItemService> service = {}, QObject* parent = nullptr);
    ~LoginItemManager() override;

    LoginItemStatus status() const { return m_status; }
    const std::optional<QString>& lastError() const { return m_lastError; }
    // Evaluated afresh on every call.
    static std::optional<Block> block();
    static QString message(Block block);
    // The message a failed change shows; none for the outcomes that count as success.
    static std::optional<QString> message(const LoginItemError& error);
    // The status any manager of this process saw last; none before the first.
    static std::optional<LoginItemStatus> lastKnownStatus();
    // True while a status read or change of this manager has not reported back.
    bool isBusy() const { return m_pendingJobs > 0; }

    // Reads the status on the worker, then shows it.
    void refresh();
    // Registers or unregisters the agent; see the source for the order of events.
    void setEnabled(bool enabled);
    // Opens the desktop's list of programs started at login.
    void openSystemSettings();

    // Older versions registered the settings app itself; remove that entry once per installation.
    static void unregisterLegacyMainAppOnce();
    static void unregisterLegacyMainAppOnce(std::shared_ptr<LoginItemService> legacy);

    // The real services: the agent's entry and the settings app's own former entry.
    static std::shared_ptr<LoginItemService> agentService();
    static std::shared_ptr<LoginItemService> legacyMainAppService();

    // For tests: forget the last known status.
    static void resetForTesting();

signals:
    void statusChanged(LoginItemStatus status);
    void lastErrorChanged();

private:
    void setStatus(LoginItemStatus status);
    void setLastError(const std::optional<QString>& error);

    std::shared_ptr<LoginItemService> m_service;
    LoginItemStatus m_status;
    std::optional<QString> m_lastError;
    int m_pendingJobs = 0;
};
