#include "Vantor/LoginItems/LoginItemManager.h"

#include "Platform/Bundles/Bundle.h"
#include "Platform/LoginItems/TransientLocation.h"
#include "Platform/LoginItems/XdgAutostartService.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Policies/LoginItemPolicy.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/Support/Log.h"
#include "VantorShared/System/AppLinks.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QThread>
#include <QThreadPool>

namespace {

std::optional<LoginItemStatus> s_lastKnownStatus;

// Unregistering and registering at once can leave the desktop with the old state; this pause lets
// the removal settle first.
constexpr unsigned long reRegisterPauseMilliseconds = 300;

// Runs `work` on a pool thread and hands its result to `apply` on the main thread.
template <typename Result> void runDetached(std::function<Result()> work, std::function<void(Result)> apply)
{
    QThreadPool::globalInstance()->start([work = std::move(work), apply = std::move(apply)]() mutable {
        Result result = work();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [apply = std::move(apply), result = std::move(result)]() mutable { apply(std::move(result)); },
            Qt::QueuedConnection);
    });
}

QString embeddedAgentExecutable()
{
    const QString bundlePath = AppLinks::embeddedAgentURL();
    const auto bundle = Bundle::open(bundlePath);
    const QString executable = bundle ? bundle->executablePath() : QString();
    return QDir::cleanPath(
        executable.isEmpty() ? bundlePath + QStringLiteral("/Contents/MacOS/VantorAgent") : executable);
}

bool isRegistered(LoginItemStatus status)
{
    return status == LoginItemStatus::enabled || status == LoginItemStatus::requiresApproval;
}

} // namespace

LoginItemManager::LoginItemManager(std::shared_ptr<LoginItemService> service, QObject* parent)
    : QObject(parent)
    , m_service(service ? std::move(service) : agentService())
    , m_status(s_lastKnownStatus.value_or(LoginItemStatus::notRegistered))
{
}

LoginItemManager::~LoginItemManager() = default;

std::shared_ptr<LoginItemService> LoginItemManager::agentService()
{
    return std::make_shared<XdgAutostartService>(
        AppLinks::agentIdentifier, QDir(embeddedAgentExecutable()).absolutePath(), QStringLiteral("Vantor"));
}

std::shared_ptr<LoginItemService> LoginItemManager::legacyMainAppService()
{
    return std::make_shared<XdgAutostartService>(
        AppLinks::settingsAppIdentifier, Bundle::main().executablePath(), QStringLiteral("Vantor"));
}

std::optional<LoginItemManager::Block> LoginItemManager::block()
{
    if (LoginItemPolicy::isSuppressed())
        return Block::suppressed;
    const QString appPath = Bundle::main().path();
    if (appPath.contains(QLatin1String("/AppTranslocation/")) || TransientLocation::isTransient(appPath))
        return Block::translocated;
    const QFileInfo agent(embeddedAgentExecutable());
    if (!agent.isFile() || !agent.isExecutable())
        return Block::incomplete;
    return std::nullopt;
}

QString LoginItemManager::message(Block block)
{
    switch (block) {
    case Block::suppressed:
        return AppLanguage::string(QStringLiteral("Login items are disabled in this build."));
    case Block::translocated:
        return AppLanguage::string(
            QStringLiteral("Vantor is running from a temporary location. Install it, then open it from there."));
    case Block::incomplete:
        return AppLanguage::string(QStringLiteral("This copy of Vantor is incomplete."));
    }
    return {};
}

std::optional<QString> LoginItemManager::message(const LoginItemError& error)
{
    switch (error.code) {
    case LoginItemError::invalidSignature:
        return AppLanguage::string(QStringLiteral(
            "Vantor's location cannot be written into an autostart entry. Move Vantor to a simpler path."));
    case LoginItemError::jobNotFound:
    case LoginItemError::alreadyRegistered:
        return std::nullopt;
    case LoginItemError::launchDeniedByUser:
        return AppLanguage::string(
            QStringLiteral("Your desktop does not let Vantor start at login. Allow it in your startup applications."));
    default:
        return error.description;
    }
}

std::optional<LoginItemStatus> LoginItemManager::lastKnownStatus()
{
    return s_lastKnownStatus;
}

void LoginItemManager::resetForTesting()
{
    s_lastKnownStatus.reset();
}

void LoginItemManager::setStatus(LoginItemStatus status)
{
    // The first status learnt in this process is news even when it equals the initial guess: it
    // ends the placeholder.
    const bool firstKnown = !s_lastKnownStatus;
    s_lastKnownStatus = status;
    if (status == m_status && !firstKnown)
        return;
    m_status = status;
    emit statusChanged(status);
}

void LoginItemManager::setLastError(const std::optional<QString>& error)
{
    if (error == m_lastError)
        return;
    m_lastError = error;
    emit lastErrorChanged();
}

void LoginItemManager::refresh()
{
    ++m_pendingJobs;
    QPointer<LoginItemManager> self(this);
    runDetached<LoginItemStatus>([service = m_service] { return service->status(); },
        [self](LoginItemStatus status) {
            if (!self)
                return;
            --self->m_pendingJobs;
            self->setStatus(status);
        });
}

void LoginItemManager::setEnabled(bool enabled)
{
    if (block())
        return;
    const bool wasRegistered = isRegistered(m_status);
    // Show the outcome at once; the refresh after the change shows the real state.
    setStatus(enabled ? LoginItemStatus::enabled : LoginItemStatus::notRegistered);
    setLastError(std::nullopt);

    ++m_pendingJobs;
    QPointer<LoginItemManager> self(this);
    runDetached<std::optional<LoginItemError>>(
        [service = m_service, enabled, wasRegistered]() -> std::optional<LoginItemError> {
            if (!enabled)
                return service->unregisterItem();
            if (wasRegistered) {
                // Writing the entry anew is what points it at a moved app and switches a
                // registration the user turned off back on.
                service->unregisterItem();
                QThread::msleep(reRegisterPauseMilliseconds);
            }
            return service->registerItem();
        },
        [self](std::optional<LoginItemError> error) {
            if (!self)
                return;
            --self->m_pendingJobs;
            const std::optional<QString> text = error ? message(*error) : std::nullopt;
            self->setLastError(text);
            if (text)
                qCCritical(lcAppLoginItem, "login item: %s", qPrintable(*text));
            self->refresh();
        });
}

void LoginItemManager::openSystemSettings()
{
    m_service->openSystemSettings();
}

void LoginItemManager::unregisterLegacyMainAppOnce()
{
    unregisterLegacyMainAppOnce({});
}

void LoginItemManager::unregisterLegacyMainAppOnce(std::shared_ptr<LoginItemService> legacy)
{
    if (SharedSettings::store().boolForKey(SharedSettings::Key::didUnregisterLegacyLoginItem))
        return;
    if (LoginItemPolicy::isSuppressed())
        return;
    if (!legacy)
        legacy = legacyMainAppService();
    // Tried once per installation, whatever the outcome; nothing is reported.
    runDetached<bool>(
        [legacy] {
            legacy->unregisterItem();
            return true;
        },
        [](bool) { SharedSettings::store().setBool(SharedSettings::Key::didUnregisterLegacyLoginItem, true); });
}
