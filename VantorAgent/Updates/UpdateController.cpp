#include "VantorAgent/Updates/UpdateController.h"

UpdateController& UpdateController::shared()
{
    static UpdateController controller;
    return controller;
}

void UpdateController::start()
{
}
