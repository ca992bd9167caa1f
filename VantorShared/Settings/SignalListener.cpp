#include "VantorShared/Settings/SignalListener.h"

#include "Platform/Signals/SignalTransport.h"

SignalListener::~SignalListener()
{
    cancelAll();
}

void SignalListener::listen(SharedSettings::Signal signal, std::function<void()> handler)
{
    if (const auto token = SignalTransport::shared().subscribe(SharedSettings::name(signal), std::move(handler)))
        m_tokens.append(*token);
}

void SignalListener::cancelAll()
{
    for (const int token : std::as_const(m_tokens))
        SignalTransport::shared().cancel(token);
    m_tokens.clear();
}
