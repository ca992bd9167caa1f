#pragma once

#include "Platform/Updates/AppcastItem.h"
#include "Platform/Updates/UpdateInstallation.h"
#include "Platform/Updates/UpdateUserDriver.h"
#include "Platform/Updates/Updater.h"
#include "Platform/Updates/UpdaterDelegate.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>

class PreferencesDomain;
class QNetworkAccessManager;
class QNetworkReply;

// How a FeedUpdater treats the installation, its schedule and the relaunch.
struct FeedUpdaterOptions {
    // The package that would install the host bundle; its dpkg file list keeps the updater off.
    QString packageName;
    UpdateInstallation::Paths installationPaths;
    // Between scheduled checks; zero: the host's "SUScheduledCheckInterval" (seconds, at least
    // an hour), else one day.
    std::chrono::milliseconds checkInterval {0};
    // The first scheduled check of an installation that never checked.
    std::chrono::milliseconds firstCheckDelay {std::chrono::minutes(1)};
    // Starts the new copy of the program; default: relaunchAfterExit.
    std::function<void(const QString& executable)> relaunch;
    // The bytes free for this user on the file system of a folder; default: what the file system
    // reports.
    std::function<qint64(const QString& folder)> availableBytes;
};

// Our update framework: it reads the feed named by the host bundle's "SUFeedURL", offers the
// newest release that is newer than the installed build, and installs it only when the archive
// has exactly the promised length and an ed25519 signature made with the key in the host
// bundle's "SUPublicEDKey".
//
// Everything it fetches comes over https (a feed that is a local file may also name local files),
// and redirects elsewhere are refused. An archive is never larger than maximumArchiveBytes,
// whatever the feed says, and is only fetched when the disk has room for it and its contents.
// A whole cycle, from the feed to the swap, holds the installation's lock, so that two updaters of
// one copy never meet.
//
// The host bundle is what gets replaced; the application bundle is the running program (inside
// the host), which is started again from the new bundle after an install. The automatic-check
// flag, the time of the last check and a skipped version are kept in `preferences`, the running
// program's own domain.
class FeedUpdater final : public Updater {
    Q_OBJECT
public:
    using Options = FeedUpdaterOptions;

    FeedUpdater(QString hostBundlePath, QString applicationBundlePath, UpdateUserDriver* userDriver,
        UpdaterDelegate* delegate, PreferencesDomain& preferences, Options options = {}, QObject* parent = nullptr);
    ~FeedUpdater() override;

    std::optional<UpdateError> start() override;
    bool automaticallyChecksForUpdates() const override;
    void setAutomaticallyChecksForUpdates(bool on) override;
    bool canCheckForUpdates() const override { return m_started && !m_session; }
    void checkForUpdates() override;

    // A check on the schedule's behalf: nothing is shown, a found update only reaches the delegate.
    void checkInBackground();
    // When the next scheduled check runs, counted from now; none when none is scheduled.
    std::optional<std::chrono::milliseconds> nextScheduledCheck() const;

    // Waits in a shell for this process to end, then starts `executable`; quits this process.
    static void relaunchAfterExit(const QString& executable);

    static inline const QString automaticChecksKey = QStringLiteral("SUEnableAutomaticChecks");
    static inline const QString lastCheckTimeKey = QStringLiteral("SULastCheckTime");
    static inline const QString skippedVersionKey = QStringLiteral("SUSkippedVersion");

    // The largest archive fetched: far beyond a real bundle, far below what would hurt a disk.
    static constexpr qint64 maximumArchiveBytes = qint64(256) << 20;

private:
    struct Session;

    void beginSession(bool userInitiated);
    void fetchFeed();
    void feedFinished();
    void offer(const AppcastItem& item);
    void choiceMade(UpdateChoice choice);
    void download();
    void downloadReadyRead();
    void downloadFinished();
    void install();
    void cancel();
    void fail(UpdateError error);
    void finish(const std::optional<UpdateError>& error);
    void reschedule();
    QString installedBuild() const;
    QString installedVersionName() const;
    QNetworkReply* get(const QUrl& url);

    QString m_hostPath;
    QString m_applicationPath;
    // The application bundle's path inside the host; empty when it lies elsewhere.
    QString m_applicationRelativePath;
    UpdateUserDriver* m_driver;
    UpdaterDelegate* m_delegate;
    PreferencesDomain& m_preferences;
    Options m_options;
    QUrl m_feedURL;
    QByteArray m_publicKey;
    std::chrono::milliseconds m_interval {std::chrono::hours(24)};
    bool m_started = false;
    QTimer m_schedule;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<Session> m_session;
};
