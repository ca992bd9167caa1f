#pragma once

#include "Platform/Updates/FeedUpdater.h"
#include "Platform/Updates/InstallationLock.h"

#include <QFile>
#include <QNetworkReply>
#include <QTemporaryDir>

// One update cycle of a FeedUpdater, from the feed request to the installed bundle. It owns the
// request in flight and the staging folder, and takes both away when it ends.
struct FeedUpdater::Session {
    ~Session()
    {
        dropReply();
        archive.close();
    }
    // Stops the request without letting it report back.
    void dropReply()
    {
        if (!reply)
            return;
        reply->disconnect();
        reply->abort();
        reply->deleteLater();
        reply = nullptr;
    }

    // Declared first, so that it is released last, after the staging folder has gone.
    std::optional<InstallationLock> lock;
    bool userInitiated = false;
    // The user has been shown how the cycle ended (an error, no update), which must stay on screen.
    bool outcomeShown = false;
    AppcastItem item;
    QPointer<QNetworkReply> reply;
    QByteArray feed;
    std::unique_ptr<QTemporaryDir> staging;
    QFile archive;
    qint64 received = 0;
    // Where a refused redirect led; empty when none was refused.
    QUrl refusedRedirect;
};
