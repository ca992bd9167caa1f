#include "Platform/Signals/SignalTransport.h"

#include "Platform/Signals/DBusSignalTransport.h"

namespace {
SignalTransport* g_override = nullptr;
}

SignalTransport& SignalTransport::shared()
{
    if (g_override)
        return *g_override;
    // Never destroyed: handlers may still be registered while the process exits.
    static auto* bus = new DBusSignalTransport();
    return *bus;
}

void SignalTransport::setShared(SignalTransport* transport)
{
    g_override = transport;
}
