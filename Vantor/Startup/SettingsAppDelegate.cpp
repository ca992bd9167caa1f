#include "Vantor/Startup/SettingsAppDelegate.h"

#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/LoginItems/LoginItemManager.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/Support/Log.h"
#include "VantorShared/System/AppLinks.h"

#include <QApplication>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include <unistd.h>

SettingsAppDelegate::Environment SettingsAppDelegate::Environment::system()
{
    Environment environment;
    environment.pid = qint32(::getpid());
    environment.terminate = [] { QCoreApplication::quit(); };
    environment.startDetached = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };
    environment.executablePath = [] {
        const QString bundled = Bundle::main().executablePath();
        return bundled.isEmpty() ? QCoreApplication::applicationFilePath() : bundled;
    };
    environment.isActive = [] { return QGuiApplication::applicationState() == Qt::ApplicationActive; };
    // Opening the settings app also restarts an agent the user wants but that is not running; an
    // old copy that is still exiting gets a few retries.
    environment.launchAgent = [] { AppLinks::launchAgentIfNeeded(6); };
    environment.unregisterLegacyLoginItem = [] { LoginItemManager::unregisterLegacyMainAppOnce(); };
    return environment;
}

SettingsAppDelegate::SettingsAppDelegate(Environment environment, QObject* parent)
    : QObject(parent)
    , m_environment(std::move(environment))
{
}

SettingsAppDelegate::~SettingsAppDelegate()
{
    disconnect(m_defaultsObserver);
    disconnect(m_relaunchObserver);
}

void SettingsAppDelegate::applicationDidFinishLaunching()
{
    SharedSettings::prepareAtLaunch();
    if (m_environment.unregisterLegacyLoginItem)
        m_environment.unregisterLegacyLoginItem();

    // Every write to the shared store in this process reaches the agent, whichever view made it.
    m_defaultsObserver
        = connect(&SharedSettings::store(), &PreferencesDomain::didChange, this, &SettingsAppDelegate::storeDidChange);

    QPointer<SettingsAppDelegate> self(this);
    m_signals.listen(SharedSettings::Signal::openSettings, [self] {
        if (self)
            self->bringWindowToFront();
    });

    if (SharedSettings::store().boolForKey(SharedSettings::Key::agentEnabled) && m_environment.launchAgent)
        m_environment.launchAgent();

    // After the event loop has had a turn, so a window made on the way is found.
    QTimer::singleShot(0, this, &SettingsAppDelegate::presentWindowIfMissing);
}

void SettingsAppDelegate::storeDidChange()
{
    // Adopting the language writes the process's own preferences; when those live in the same
    // store (a suite that could not be opened) that write must not start this handler again.
    if (m_inStoreHandler)
        return;
    m_inStoreHandler = true;
    SharedSettings::post(SharedSettings::Signal::settings);
    if (AppLanguage::processIsStale()) {
        AppLanguage::applyChoiceToProcessDefaults();
        relaunchWhenInactive();
    }
    m_inStoreHandler = false;
}

void SettingsAppDelegate::bringWindowToFront()
{
    QWidget* window = m_environment.window ? m_environment.window() : nullptr;
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}

void SettingsAppDelegate::presentWindowIfMissing()
{
    if (m_environment.window && m_environment.window())
        return;
    if (m_environment.presentWindow)
        m_environment.presentWindow();
}

void SettingsAppDelegate::relaunchWhenInactive()
{
    if (m_relaunchPending)
        return;
    if (!m_environment.isActive || !m_environment.isActive()) {
        relaunch();
        return;
    }
    // Never under the user's hands: the app comes back in the new language once the user has
    // moved on to another application.
    m_relaunchPending = true;
    if (qGuiApp)
        m_relaunchObserver
            = connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
                  if (state != Qt::ApplicationActive)
                      applicationDidResignActive();
              });
}

void SettingsAppDelegate::applicationDidResignActive()
{
    if (m_relaunchPending)
        relaunch();
}

QStringList SettingsAppDelegate::relaunchArguments(qint32 pid, const QString& executable)
{
    // "$1" is the pid and "$2" the program; the script text itself never contains either.
    return {QStringLiteral("-c"),
        QStringLiteral("while kill -0 \"$1\" 2>/dev/null; do sleep 0.1; done; exec \"$2\" ") + backgroundArgument,
        QStringLiteral("sh"), QString::number(pid), executable};
}

void SettingsAppDelegate::relaunch()
{
    // Whether or not the shell starts, this copy quits; the user can open the app again by hand.
    m_environment.startDetached(relaunchShell, relaunchArguments(m_environment.pid, m_environment.executablePath()));
    m_environment.terminate();
}
