#pragma once

#include <QString>

#include <functional>
#include <optional>

// A named, payload-free broadcast between processes of the same user session. Handlers run on
// the main thread. The process-wide transport is the session bus; tests install a fake.
class SignalTransport {
public:
    virtual ~SignalTransport() = default;

    virtual void post(const QString& name) = 0;
    // Registers `handler` for `name`; the token, or none when registration failed.
    virtual std::optional<int> subscribe(const QString& name, std::function<void()> handler) = 0;
    virtual void cancel(int token) = 0;

    // The transport the process uses (the session bus unless a test replaced it).
    static SignalTransport& shared();
    // For tests: replace the shared transport (nullptr restores the session bus). Not owned.
    static void setShared(SignalTransport* transport);
};
