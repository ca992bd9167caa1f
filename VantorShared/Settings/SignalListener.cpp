#include "VantorShared/Settings/SignalListener.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/Signals/SignalTransport.h"

SignalListener::~SignalListener()
{
    cancelAll();
}

namespace {

// The signals whose whole message is "the store has new values".
bool announcesStoreChange(SharedSettings::Signal signal)
{
    switch (signal) {
    case SharedSettings::Signal::settings:
    case SharedSettings::Signal::menuBarChanged:
    case SharedSettings::Signal::updateAvailable:
        return true;
    case SharedSettings::Signal::quitAgent:
    case SharedSettings::Signal::openSettings:
    case SharedSettings::Signal::checkForUpdates:
        return false;
    }
    return false;
}

} // namespace

void SignalListener::listen(SharedSettings::Signal signal, std::function<void()> handler)
{
    if (announcesStoreChange(signal) && handler) {
        PreferencesDomain& store = SharedSettings::store();
        m_fileWatches.append(QObject::connect(&store, &PreferencesDomain::changedOnDisk, &store, handler));
    }
    // Every signal comes from a process that may have written the shared store just before, so
    // the store forgets what it read before the handler looks.
    auto deliver = [handler = std::move(handler)] {
        SharedSettings::store().invalidate();
        if (handler)
            handler();
    };
    if (const auto token = SignalTransport::shared().subscribe(SharedSettings::name(signal), std::move(deliver)))
        m_tokens.append(*token);
}

void SignalListener::cancelAll()
{
    for (const int token : std::as_const(m_tokens))
        SignalTransport::shared().cancel(token);
    m_tokens.clear();
    for (const QMetaObject::Connection& connection : std::as_const(m_fileWatches))
        QObject::disconnect(connection);
    m_fileWatches.clear();
}
