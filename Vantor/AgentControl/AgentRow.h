#pragma once

#include <QWidget>

class AgentController;
class QCheckBox;
class QLabel;
class SidebarSignalIcon;

// The foot of the settings sidebar: the agent's picture, its name, whether it runs ("On"/"Off")
// and the switch that starts and stops it.
class AgentRow : public QWidget {
    Q_OBJECT
public:
    explicit AgentRow(AgentController& controller, QWidget* parent = nullptr);

    QCheckBox* toggle() const { return m_switch; }
    QLabel* stateLabel() const { return m_state; }

private:
    void showRunning(bool running);

    AgentController& m_controller;
    SidebarSignalIcon* m_icon;
    QLabel* m_title;
    QLabel* m_state;
    QCheckBox* m_switch;
};
