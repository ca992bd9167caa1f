#pragma once

#include "VantorShared/Settings/SharedSettings.h"

#include <QList>
#include <QMetaObject>

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
    //
    // The signals that announce new values in the store (settings, menuBarChanged,
    // updateAvailable) also run `handler` when the store's file changes under us, so every setting
    // follows a change also where no signal arrives (no session bus, a hand edit). A change that
    // comes both ways runs the handler twice; handlers re-read what they need and are safe to.
    void listen(SharedSettings::Signal signal, std::function<void()> handler);
    void cancelAll();

    const QList<int>& tokens() const { return m_tokens; }

private:
    QList<int> m_tokens;
    QList<QMetaObject::Connection> m_fileWatches;
};
