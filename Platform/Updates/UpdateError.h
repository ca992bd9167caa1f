#pragma once

#include <QString>

// Why an update step did not happen. `kind` selects what the user is told; `description` is a
// plain lower-case sentence for the log.
struct UpdateError {
    enum class Kind {
        noUpdate, // the feed has nothing newer than the installation
        configuration, // no feed, no key, or an installation that may not update itself
        feed, // the feed could not be fetched or read
        download, // the archive could not be fetched
        signature, // the archive failed its length or signature check
        install, // unpacking, checking or swapping in the new bundle failed
        cancelled, // the user stopped it
    };
    Kind kind = Kind::feed;
    QString description;
};
