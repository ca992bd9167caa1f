#pragma once

// Drives the software updates of the whole installation. For now it only answers whether an
// update is in progress (never), so that a language change can relaunch the agent.
class UpdateController {
public:
    static UpdateController& shared();

    void start();
    bool isBusy() const { return false; }

private:
    UpdateController() = default;
};
