#include "Vantor/AgentControl/AgentController.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/System/AppLinks.h"

#include <QDateTime>
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
    , m_isRunning(AppLinks::runningAgent().has_value())
    , m_followUp(new QTimer(this))
{
    m_followUp->setInterval(secondLookMilliseconds);
    connect(m_followUp, &QTimer::timeout, this, &AgentController::followUp);
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
    m_changedAt = QDateTime::currentMSecsSinceEpoch();
    m_followUp->start();
}

void AgentController::followUp()
{
    const bool wanted = SharedSettings::store().boolForKey(SharedSettings::Key::agentEnabled);
    const bool running = AppLinks::runningAgent().has_value();
    const bool inGrace = QDateTime::currentMSecsSinceEpoch() - m_changedAt < startGraceMilliseconds;
    if (running == wanted || !inGrace) {
        setIsRunning(running);
        m_followUp->stop();
        return;
    }
    // Switched on and no agent holds the name yet. An agent program that is still starting keeps
    // the row on for the grace time; with none at all the start failed or the agent died.
    if (wanted && AppLinks::agentProcesses().isEmpty()) {
        setIsRunning(false);
        m_followUp->stop();
    }
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
    setIsRunning(AppLinks::runningAgent().has_value());
}

void AgentController::setIsRunning(bool running)
{
    if (running == m_isRunning)
        return;
    m_isRunning = running;
    emit isRunningChanged(running);
}
