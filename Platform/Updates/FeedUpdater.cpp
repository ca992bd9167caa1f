#include "Platform/Updates/FeedUpdater.h"

#include "Platform/Bundles/Bundle.h"
#include "Platform/Logging/PlatformLog.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/Updates/Appcast.h"
#include "Platform/Updates/BundleInstaller.h"
#include "Platform/Updates/FeedUpdaterSession.h"
#include "Platform/Updates/InstallationLock.h"
#include "Platform/Updates/UpdateSignature.h"
#include "Platform/Updates/VersionComparison.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QProcess>
#include <QStorageInfo>

#include <unistd.h>

using namespace std::chrono;

namespace {

// A feed is a few kilobytes; anything past this is not one.
constexpr qint64 maximumFeedBytes = 8 << 20;
// A transfer that receives nothing for this long is given up.
constexpr int transferTimeoutMs = 60000;
constexpr int maximumRedirects = 5;

QString textValue(const Bundle& bundle, const QString& key)
{
    const QVariant value = bundle.infoValue(key);
    return value.typeId() == QMetaType::QString ? value.toString().trimmed() : QString();
}

} // namespace

FeedUpdater::FeedUpdater(QString hostBundlePath, QString applicationBundlePath, UpdateUserDriver* userDriver,
    UpdaterDelegate* delegate, PreferencesDomain& preferences, Options options, QObject* parent)
    : Updater(parent)
    , m_hostPath(QDir(hostBundlePath).absolutePath())
    , m_applicationPath(QDir(applicationBundlePath).absolutePath())
    , m_driver(userDriver)
    , m_delegate(delegate)
    , m_preferences(preferences)
    , m_options(std::move(options))
{
    m_schedule.setSingleShot(true);
    connect(&m_schedule, &QTimer::timeout, this, [this] {
        // A check that runs already reschedules when it ends.
        if (!m_session)
            checkInBackground();
    });
    if (!m_options.relaunch)
        m_options.relaunch = &FeedUpdater::relaunchAfterExit;
}

FeedUpdater::~FeedUpdater() = default;

std::optional<UpdateError> FeedUpdater::start()
{
    if (m_started)
        return std::nullopt;
    const auto host = Bundle::open(m_hostPath);
    if (!host)
        return UpdateError {UpdateError::Kind::configuration, QStringLiteral("%1 is not a bundle").arg(m_hostPath)};
    const QString feed = textValue(*host, QStringLiteral("SUFeedURL"));
    if (feed.isEmpty())
        return UpdateError {
            UpdateError::Kind::configuration, QStringLiteral("the app names no update feed (SUFeedURL)")};
    m_feedURL = QUrl(feed, QUrl::StrictMode);
    // A feed is https, or a local file (a file on another host would be fetched over the network).
    if (!Appcast::isAllowedLocation(m_feedURL, m_feedURL))
        return UpdateError {UpdateError::Kind::configuration,
            QStringLiteral("the update feed %1 is not an https address or a local file").arg(feed)};
    const auto key = UpdateSignature::decodePublicKey(textValue(*host, QStringLiteral("SUPublicEDKey")));
    if (!key)
        return UpdateError {
            UpdateError::Kind::configuration, QStringLiteral("the app's SUPublicEDKey is not an ed25519 public key")};
    m_publicKey = *key;
    if (const auto reason
        = UpdateInstallation::reasonNotToUpdate(m_hostPath, m_options.packageName, m_options.installationPaths))
        return UpdateError {UpdateError::Kind::configuration, *reason};

    const QString relative = QDir(m_hostPath).relativeFilePath(m_applicationPath);
    m_applicationRelativePath = relative.startsWith(QLatin1String("..")) ? QString() : relative;

    m_interval = m_options.checkInterval;
    if (m_interval <= milliseconds::zero()) {
        bool ok = false;
        const qint64 seconds = host->infoValue(QStringLiteral("SUScheduledCheckInterval")).toLongLong(&ok);
        m_interval = ok && seconds >= 3600 ? milliseconds(seconds * 1000) : milliseconds(hours(24));
    }

    // What an interrupted install left behind goes before anything else happens, unless another
    // updater of this copy is at work: then it is that updater's, and goes at the next cycle.
    if (auto lock = InstallationLock::tryAcquire(m_hostPath))
        BundleInstaller::removeLeftovers(m_hostPath);
    if (!m_options.availableBytes)
        m_options.availableBytes = [](const QString& folder) { return QStorageInfo(folder).bytesAvailable(); };
    m_network = std::make_unique<QNetworkAccessManager>();
    m_started = true;
    emit canCheckForUpdatesChanged(true);
    reschedule();
    return std::nullopt;
}

bool FeedUpdater::automaticallyChecksForUpdates() const
{
    const QVariant stored = m_preferences.objectForKey(automaticChecksKey);
    if (stored.typeId() == QMetaType::Bool)
        return stored.toBool();
    if (const auto host = Bundle::open(m_hostPath)) {
        const QVariant declared = host->infoValue(automaticChecksKey);
        if (declared.typeId() == QMetaType::Bool)
            return declared.toBool();
    }
    return false;
}

void FeedUpdater::setAutomaticallyChecksForUpdates(bool on)
{
    m_preferences.setBool(automaticChecksKey, on);
    reschedule();
}

void FeedUpdater::checkForUpdates()
{
    if (!canCheckForUpdates())
        return;
    beginSession(true);
}

void FeedUpdater::checkInBackground()
{
    if (!canCheckForUpdates())
        return;
    beginSession(false);
}

std::optional<milliseconds> FeedUpdater::nextScheduledCheck() const
{
    if (!m_schedule.isActive())
        return std::nullopt;
    return milliseconds(m_schedule.remainingTime());
}

void FeedUpdater::reschedule()
{
    m_schedule.stop();
    if (!m_started || m_session || !automaticallyChecksForUpdates())
        return;
    milliseconds delay = m_options.firstCheckDelay;
    bool ok = false;
    const qint64 last = m_preferences.persistentObjectForKey(lastCheckTimeKey).toLongLong(&ok);
    if (ok) {
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        // A clock set back makes the last check lie in the future; wait one interval at most.
        delay = std::clamp(milliseconds((last - now) * 1000) + m_interval, milliseconds::zero(), m_interval);
    }
    m_schedule.start(delay);
}

void FeedUpdater::beginSession(bool userInitiated)
{
    m_schedule.stop();
    m_session = std::make_unique<Session>();
    m_session->userInitiated = userInitiated;
    m_preferences.setInteger(lastCheckTimeKey, QDateTime::currentSecsSinceEpoch());
    emit canCheckForUpdatesChanged(false);
    if (userInitiated && m_driver)
        m_driver->showProgress(UpdateUserDriver::Stage::checking, 0, 0, [this] { cancel(); });
    QString busy;
    m_session->lock = InstallationLock::tryAcquire(m_hostPath, &busy);
    if (!m_session->lock) {
        fail({UpdateError::Kind::feed, QStringLiteral("cannot check for updates now: %1").arg(busy)});
        return;
    }
    // The folder may have been opened to others since the start; then nothing beside the bundle
    // is ours to trust.
    if (const auto reason
        = UpdateInstallation::reasonNotToUpdate(m_hostPath, m_options.packageName, m_options.installationPaths)) {
        fail({UpdateError::Kind::configuration, *reason});
        return;
    }
    // With the lock held, whatever lies beside the bundle is left over from an earlier cycle.
    BundleInstaller::removeLeftovers(m_hostPath);
    fetchFeed();
}

QNetworkReply* FeedUpdater::get(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(transferTimeoutMs);
    // Every redirect is looked at: only one to another https address is followed.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(maximumRedirects);
    request.setHeader(QNetworkRequest::UserAgentHeader,
        QStringLiteral("%1/%2").arg(QFileInfo(m_hostPath).completeBaseName(), installedBuild()));
    QNetworkReply* reply = m_network->get(request);
    connect(reply, &QNetworkReply::redirected, reply, [this, reply](const QUrl& target) {
        if (target.scheme() == QLatin1String("https") && !target.host().isEmpty()) {
            emit reply->redirectAllowed();
            return;
        }
        if (m_session)
            m_session->refusedRedirect = target;
        reply->abort();
    });
    return reply;
}

void FeedUpdater::fetchFeed()
{
    QNetworkReply* reply = get(m_feedURL);
    m_session->reply = reply;
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        m_session->feed += reply->readAll();
        if (m_session->feed.size() > maximumFeedBytes)
            fail({UpdateError::Kind::feed,
                QStringLiteral("the update feed is larger than %1 bytes").arg(maximumFeedBytes)});
    });
    connect(reply, &QNetworkReply::finished, this, &FeedUpdater::feedFinished);
}

void FeedUpdater::feedFinished()
{
    QNetworkReply* reply = m_session->reply;
    m_session->reply = nullptr;
    reply->deleteLater();
    if (!m_session->refusedRedirect.isEmpty()) {
        fail({UpdateError::Kind::feed,
            QStringLiteral("the update feed %1 redirects to %2, which is not an https address")
                .arg(m_feedURL.toDisplayString(), m_session->refusedRedirect.toDisplayString())});
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        fail({UpdateError::Kind::feed,
            QStringLiteral("cannot read the update feed %1: %2")
                .arg(m_feedURL.toDisplayString(), reply->errorString())});
        return;
    }
    m_session->feed += reply->readAll();
    QString parseError;
    const auto items = Appcast::parse(m_session->feed, &parseError);
    if (!items) {
        fail({UpdateError::Kind::feed, QStringLiteral("the update feed is not valid: %1").arg(parseError)});
        return;
    }
    const auto newest = Appcast::newestValidItem(*items, m_feedURL);
    const QString installed = installedBuild();
    const bool skipped = newest && !m_session->userInitiated
        && m_preferences.stringForKey(skippedVersionKey) == std::optional<QString>(newest->versionString);
    if (!newest || skipped || VersionComparison::compare(newest->versionString, installed) <= 0) {
        const UpdateError none {UpdateError::Kind::noUpdate,
            skipped ? QStringLiteral("version %1 was skipped").arg(newest->displayVersionString)
                    : QStringLiteral("%1 is the newest version available").arg(installedVersionName())};
        m_delegate->didNotFindUpdate(none);
        if (m_session->userInitiated && m_driver) {
            m_driver->showUpdateNotFound(installedVersionName());
            m_session->outcomeShown = true;
        }
        finish(none);
        return;
    }
    offer(*newest);
}

void FeedUpdater::offer(const AppcastItem& item)
{
    m_session->item = item;
    m_delegate->didFindValidUpdate(item);
    // Found on the schedule: the owner tells the user in its own way.
    if (!m_session->userInitiated || !m_driver) {
        finish(std::nullopt);
        return;
    }
    QPointer<FeedUpdater> self(this);
    Session* session = m_session.get();
    m_driver->showUpdateFound(item, installedVersionName(), [self, session](UpdateChoice choice) {
        // A reply for a cycle that has ended since (cancelled, updater gone) is dropped.
        if (self && self->m_session.get() == session)
            self->choiceMade(choice);
    });
}

void FeedUpdater::choiceMade(UpdateChoice choice)
{
    m_delegate->userDidMakeChoice(choice, m_session->item);
    switch (choice) {
    case UpdateChoice::install:
        download();
        return;
    case UpdateChoice::skip:
        m_preferences.setString(skippedVersionKey, m_session->item.versionString);
        finish(std::nullopt);
        return;
    case UpdateChoice::dismiss:
        finish(std::nullopt);
        return;
    }
}

void FeedUpdater::cancel()
{
    if (!m_session)
        return;
    m_session->dropReply();
    finish(UpdateError {UpdateError::Kind::cancelled, QStringLiteral("the update was cancelled")});
}

void FeedUpdater::fail(UpdateError error)
{
    if (!m_session)
        return;
    m_session->dropReply();
    m_delegate->didAbortWithError(error);
    if (m_session->userInitiated && m_driver) {
        m_driver->showError(error);
        m_session->outcomeShown = true;
    }
    finish(error);
}

void FeedUpdater::finish(const std::optional<UpdateError>& error)
{
    // The session goes first, so that whatever the delegate does next sees a finished cycle.
    const std::unique_ptr<Session> session = std::move(m_session);
    if (session->userInitiated && m_driver && !session->outcomeShown)
        m_driver->dismiss();
    m_delegate->didFinishUpdateCycle(error);
    emit canCheckForUpdatesChanged(canCheckForUpdates());
    reschedule();
}

QString FeedUpdater::installedBuild() const
{
    const auto host = Bundle::open(m_hostPath);
    return host ? textValue(*host, QStringLiteral("CFBundleVersion")) : QString();
}

QString FeedUpdater::installedVersionName() const
{
    const auto host = Bundle::open(m_hostPath);
    const QString shortVersion = host ? textValue(*host, QStringLiteral("CFBundleShortVersionString")) : QString();
    return shortVersion.isEmpty() ? installedBuild() : shortVersion;
}

void FeedUpdater::relaunchAfterExit(const QString& executable)
{
    // The pid and the program travel as positional parameters, never as shell text.
    QProcess::startDetached(QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"), QStringLiteral("while kill -0 \"$1\" 2>/dev/null; do sleep 0.1; done; exec \"$2\""),
            QStringLiteral("sh"), QString::number(::getpid()), executable});
    QCoreApplication::quit();
}
