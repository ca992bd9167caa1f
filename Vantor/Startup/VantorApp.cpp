#include "Vantor/Startup/VantorApp.h"

#include "Vantor/Window/SettingsView.h"
#include "VantorShared/Language/AppLanguage.h"

#include <QGuiApplication>
#include <QScreen>

VantorApp::VantorApp(HostedWidgets hosted, SettingsAppDelegate::Environment environment, QObject* parent)
    : QObject(parent)
    , m_hosted(std::move(hosted))
{
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
        m_window = new SettingsView(m_hosted);
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
