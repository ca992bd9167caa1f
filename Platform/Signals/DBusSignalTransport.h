#pragma once

#include "Platform/Signals/SignalTransport.h"

#include <QObject>

#include <map>
#include <memory>

// Broadcasts each posted name as one D-Bus signal on the session bus; a subscription is a match
// rule on that name (the first argument), so a process only wakes for the names it listens to.
// Qt's own argument matching cannot carry an apostrophe, so such names get a rule quoted here and
// are filtered again on delivery.
class DBusSignalTransport final : public SignalTransport {
public:
    static constexpr const char* path = "/com/quillon/vantor/Notification";
    static constexpr const char* interface = "com.quillon.vantor.Notification";
    static constexpr const char* member = "Posted";

    DBusSignalTransport();
    ~DBusSignalTransport() override;

    void post(const QString& name) override;
    std::optional<int> subscribe(const QString& name, std::function<void()> handler) override;
    void cancel(int token) override;

    // The bus match rule for `name`, quoted as the bus expects: inside single quotes everything is
    // literal, and an apostrophe is written by closing the quote, escaping it and reopening.
    static QString matchRule(const QString& name);

private:
    // Says once per process that there is no session bus, and what that costs.
    static void reportMissingBus(const QString& reason);
    class Receiver;
    std::map<int, std::unique_ptr<Receiver>> m_receivers;
    int m_nextToken = 1;
};
