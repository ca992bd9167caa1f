#pragma once

#include "Vantor/Startup/SettingsAppDelegate.h"
#include "Vantor/Window/HostedWidgets.h"
#include "Vantor/Window/SettingsView.h"

#include <QObject>
#include <QPointer>
#include <QSize>

#include <memory>

class AgentController;
class WindowMemory;

// The application: its delegate and its one settings window. There is no way to open a second
// window; asking for one brings the existing one forward.
class VantorApp : public QObject {
    Q_OBJECT
public:
    explicit VantorApp(SettingsAppDelegate::Environment environment = SettingsAppDelegate::Environment::system(),
        QObject* parent = nullptr);
    ~VantorApp() override;

    SettingsAppDelegate& delegate() { return *m_delegate; }
    AgentController& agent() { return *m_agent; }
    SettingsView* window() const { return m_window; }
    // Creates the window (once) and shows it where it was last time on these screens, else centred
    // at a size that shows a whole page.
    void presentWindow();
    WindowMemory* windowMemory() const { return m_memory.get(); }
    // A relaunched copy shows its window without taking the focus from the user's current work.
    void setShowWithoutActivating(bool quietly) { m_quietly = quietly; }

private:
    HostedWidgets hostedWidgets();

    // One for the window's whole life; rebuilt views get new rows that show this same state.
    std::unique_ptr<AgentController> m_agent;
    QPointer<SettingsView> m_window;
    std::unique_ptr<WindowMemory> m_memory;
    std::unique_ptr<SettingsAppDelegate> m_delegate;
    bool m_quietly = false;
};
