#include "Platform/Workspace/Workspace.h"

#include "Platform/Workspace/LinuxWorkspace.h"

namespace {
Workspace* g_override = nullptr;
}

Workspace& Workspace::shared()
{
    if (g_override)
        return *g_override;
    static auto* desktop = new LinuxWorkspace();
    return *desktop;
}

void Workspace::setShared(Workspace* workspace)
{
    g_override = workspace;
}
