#pragma once

#include "VantorShared/Settings/SharedSettings.h"

#include <QList>

#include <functional>

// Holds one owner's signal registrations; destroying the listener cancels all of them.
class SignalListener {
public:
    SignalListener() = default;
    ~SignalListener();
    SignalListener(const SignalListener&) = delete;
    SignalListener& operator=(const SignalListener&) = delete;

    // Runs `handler` on the main thread for every delivery of `signal`, after making the shared
    // store read the file again. A registration that fails stores no token and reports nothing.
    void listen(SharedSettings::Signal signal, std::function<void()> handler);
    void cancelAll();

    const QList<int>& tokens() const { return m_tokens; }

private:
    QList<int> m_tokens;
};
