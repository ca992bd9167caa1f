#pragma once

#include <QGroupBox>

#include <memory>

class LoginItemManager;
class LoginItemService;
class QCheckBox;
class QLabel;
class QPushButton;
class QWidget;

// The "Startup" section of the General page: the launch-at-login switch, the approval row while
// the desktop has the entry switched off, and a line that explains a block or a failed change.
// It owns its manager; the status is read when the section is first shown and again whenever its
// window becomes active (the user may come back from the desktop's startup settings).
class LaunchAtLoginSection : public QGroupBox {
    Q_OBJECT
public:
    // `service` null: the agent's real autostart entry.
    explicit LaunchAtLoginSection(std::shared_ptr<LoginItemService> service = {}, QWidget* parent = nullptr);
    ~LaunchAtLoginSection() override;

    LoginItemManager& manager() const { return *m_manager; }
    QCheckBox* toggle() const { return m_switch; }
    QWidget* approvalRow() const { return m_approvalRow; }
    QPushButton* openSettingsButton() const { return m_openSettings; }
    QLabel* messageLabel() const { return m_message; }
    // The switch's place is held but it is not shown until a status is known.
    bool isPlaceholder() const;

    // Shows the manager's state; run again after every change of it.
    void showState();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    LoginItemManager* m_manager;
    QCheckBox* m_switch;
    QWidget* m_approvalRow;
    QPushButton* m_openSettings;
    QLabel* m_message;
    bool m_shownOnce = false;
};
