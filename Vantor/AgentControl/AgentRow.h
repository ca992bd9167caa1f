#pragma once

#include <QWidget>

class AgentController;
class QLabel;
class SidebarSignalIcon;
class SwitchButton;

// The foot of the settings sidebar: the agent's picture, its name, whether it runs ("On"/"Off")
// and the switch that starts and stops it.
class AgentRow : public QWidget {
    Q_OBJECT
public:
    explicit AgentRow(AgentController& controller, QWidget* parent = nullptr);

    SwitchButton* toggle() const { return m_switch; }
    QLabel* stateLabel() const { return m_state; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void showRunning(bool running);
    void applyColours();

    AgentController& m_controller;
    SidebarSignalIcon* m_icon;
    QLabel* m_title;
    QLabel* m_state;
    SwitchButton* m_switch;
};
