#include "Vantor/AgentControl/AgentController.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/System/AppLinks.h"

#include <QGuiApplication>
#include <QPointer>
#include <QTimer>

namespace {

// Long enough for an agent that was just seen starting or exiting to have finished.
constexpr int secondLookMilliseconds = 1000;
constexpr int agentLaunchRetries = 6;

} // namespace

AgentController::AgentController(QObject* parent)
    : QObject(parent)
    , m_isRunning(!AppLinks::agentProcesses().isEmpty())
{
    AppLinks::observeAgentPresence(this, [this] { runningApplicationsChanged(); });
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                applicationDidBecomeActive();
        });
    }
}

void AgentController::setEnabled(bool enabled)
{
    SharedSettings::store().setBool(SharedSettings::Key::agentEnabled, enabled);
    if (enabled)
        AppLinks::launchAgentIfNeeded(agentLaunchRetries);
    else
        SharedSettings::post(SharedSettings::Signal::quitAgent);
    setIsRunning(enabled);
}

void AgentController::runningApplicationsChanged()
{
    QPointer<AgentController> self(this);
    QTimer::singleShot(0, this, [self] {
        if (!self)
            return;
        self->updateFromProcesses();
        QTimer::singleShot(secondLookMilliseconds, self, [self] {
            if (self)
                self->updateFromProcesses();
        });
    });
}

void AgentController::applicationDidBecomeActive()
{
    QTimer::singleShot(0, this, [this] { updateFromProcesses(); });
}

void AgentController::updateFromProcesses()
{
    setIsRunning(!AppLinks::agentProcesses().isEmpty());
}

void AgentController::setIsRunning(bool running)
{
    if (running == m_isRunning)
        return;
    m_isRunning = running;
    emit isRunningChanged(running);
}
