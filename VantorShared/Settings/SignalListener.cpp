#include "VantorShared/Settings/SignalListener.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/Signals/SignalTransport.h"

SignalListener::~SignalListener()
{
    cancelAll();
}

void SignalListener::listen(SharedSettings::Signal signal, std::function<void()> handler)
{
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
}
