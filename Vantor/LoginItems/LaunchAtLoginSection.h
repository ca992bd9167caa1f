#pragma once

#include "Vantor/Pages/FormSection.h"

#include <memory>

class LoginItemManager;
class LoginItemService;
class QLabel;
class QPushButton;
class QWidget;
class SwitchButton;

// The "Startup" section of the General page, a group like every other: the launch-at-login
// switch, the approval row while the desktop has the entry switched off, and a line under the
// group that explains a block or a failed change. It owns its manager; the status is read when
// the section is first shown and again whenever its window becomes active (the user may come
// back from the desktop's startup settings).
class LaunchAtLoginSection : public FormSection {
    Q_OBJECT
public:
    // `service` null: the agent's real autostart entry.
    explicit LaunchAtLoginSection(std::shared_ptr<LoginItemService> service = {}, QWidget* parent = nullptr);
    ~LaunchAtLoginSection() override;

    LoginItemManager& manager() const { return *m_manager; }
    SwitchButton* toggle() const { return m_switch; }
    QWidget* approvalRow() const { return m_approvalRow; }
    QPushButton* openSettingsButton() const { return m_openSettings; }
    QLabel* messageLabel() const { return footerLabel(); }
    // The switch's place is held but it is not shown until a status is known.
    bool isPlaceholder() const;

    // Shows the manager's state; run again after every change of it.
    void showState();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyColours();

    LoginItemManager* m_manager;
    SwitchButton* m_switch;
    QPushButton* m_openSettings;
    QWidget* m_approvalRow = nullptr;
    QLabel* m_approvalLabel = nullptr;
    bool m_shownOnce = false;
};
