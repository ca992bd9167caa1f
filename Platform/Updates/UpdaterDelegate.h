#pragma once

#include "Platform/Updates/AppcastItem.h"
#include "Platform/Updates/UpdateError.h"

#include <optional>

// What the user chose when an update was offered.
enum class UpdateChoice { install, skip, dismiss };

// The calls an updater makes to its owner, all on the main thread. Every one has a neutral default.
class UpdaterDelegate {
public:
    virtual ~UpdaterDelegate() = default;

    // A check found an update newer than the installation.
    virtual void didFindValidUpdate(const AppcastItem&) { }
    // A check found nothing newer (kind noUpdate), or the feed could not be used.
    virtual void didNotFindUpdate(const UpdateError&) { }
    virtual void userDidMakeChoice(UpdateChoice, const AppcastItem&) { }
    // An update cycle stopped before it was done.
    virtual void didAbortWithError(const UpdateError&) { }
    virtual void willDownloadUpdate(const AppcastItem&) { }
    // Every cycle ends here, with or without an error.
    virtual void didFinishUpdateCycle(const std::optional<UpdateError>&) { }
    // After installing, whether the running program is started again from the new bundle.
    virtual bool shouldRelaunchApplication() { return true; }
    // The new bundle is checked and about to be swapped in.
    virtual void willInstallUpdate(const AppcastItem&) { }
};
