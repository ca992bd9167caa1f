#include "VantorAgent/Startup/AgentMain.h"

#include "VantorAgent/Startup/AgentDelegate.h"

namespace AgentMain {

AgentDelegate& delegate()
{
    // Never destroyed: the delegate, its monitor and its signal registrations last as long as the
    // process.
    static AgentDelegate* instance = new AgentDelegate();
    return *instance;
}

} // namespace AgentMain
