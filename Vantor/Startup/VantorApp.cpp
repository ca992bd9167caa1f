#include "Vantor/Startup/VantorApp.h"

#include "Vantor/AgentControl/AgentController.h"
#include "Vantor/AgentControl/AgentRow.h"
#include "Vantor/LoginItems/LaunchAtLoginSection.h"
#include "Vantor/Updates/UpdateOfferRow.h"
#include "Vantor/Window/SettingsView.h"
#include "VantorShared/Language/AppLanguage.h"

#include <QGuiApplication>
#include <QScreen>

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
        m_window->resize(defaultSize);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), defaultSize);
            frame.moveCenter(screen->availableGeometry().center());
            m_window->move(frame.topLeft());
        }
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
