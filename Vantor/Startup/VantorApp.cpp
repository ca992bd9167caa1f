#include "Vantor/Startup/VantorApp.h"

#include "Vantor/AgentControl/AgentController.h"
#include "Vantor/AgentControl/AgentRow.h"
#include "Vantor/LoginItems/LaunchAtLoginSection.h"
#include "Vantor/Updates/UpdateOfferRow.h"
#include "Vantor/Window/SettingsView.h"
#include "Vantor/Window/WindowMemory.h"
#include "VantorShared/Language/AppLanguage.h"

#include <QGuiApplication>

VantorApp::VantorApp(SettingsAppDelegate::Environment environment, QObject* parent)
    : QObject(parent)
    , m_agent(std::make_unique<AgentController>())
{
    // The agent's state is looked at again whenever the user comes back to the app.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, m_agent.get(), [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            m_agent->applicationDidBecomeActive();
    });
    environment.window = [this]() -> QWidget* { return m_window; };
    environment.presentWindow = [this] { presentWindow(); };
    m_delegate = std::make_unique<SettingsAppDelegate>(std::move(environment));
}

VantorApp::~VantorApp()
{
    // The window's place is written while the window still exists.
    if (m_memory)
        m_memory->save();
    m_memory.reset();
    delete m_window;
}

void VantorApp::presentWindow()
{
    if (!m_window) {
        m_window = new SettingsView(hostedWidgets());
        m_window->setObjectName(QStringLiteral("main"));
        const auto retitle
            = [window = m_window.data()] { window->setWindowTitle(AppLanguage::string(QStringLiteral("Vantor"))); };
        retitle();
        connect(m_window, &SettingsView::rebuilt, m_window, retitle);
        m_memory = std::make_unique<WindowMemory>(m_window);
        // A relaunch brings the window back as the user left it, minimised too; a start by the
        // user always shows it.
        m_memory->restore(m_window->preferredSize(), m_quietly);
        m_window->setAttribute(Qt::WA_ShowWithoutActivating, m_quietly);
    }
    m_window->show();
}

HostedWidgets VantorApp::hostedWidgets()
{
    HostedWidgets hosted;
    hosted.updateOfferRow = [] { return new UpdateOfferRow; };
    hosted.agentRow = [this] { return new AgentRow(*m_agent); };
    hosted.startupSection = [] { return new LaunchAtLoginSection; };
    return hosted;
}
