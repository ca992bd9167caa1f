#pragma once

#include <QApplication>

// The agent's application object. A quit always ends the agent, whoever asks for it (the Quit
// button of a panel, the tray menu, the settings app's quitAgent signal): the windows are asked
// to close first, so that they leave the screen while the event loop still runs, but one that
// does not close cannot keep the agent running with some of its meters already gone.
class AgentApplication : public QApplication {
    Q_OBJECT
public:
    AgentApplication(int& argc, char** argv);

protected:
    bool event(QEvent* event) override;
};
