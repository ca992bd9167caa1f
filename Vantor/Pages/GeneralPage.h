#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

class Bundle;
class FormSection;
class QLabel;
class QPushButton;
class StorePicker;
class SwitchButton;

// Start-up, language, units, sampling and updates.
class GeneralPage : public QWidget {
    Q_OBJECT
public:
    // Finds the bundle of the agent that is running now, if any.
    using AgentBundleFinder = std::function<std::optional<QString>()>;
    // Why this installation is not updated by Vantor itself; empty when it is.
    using InstallationNoteSource = std::function<QString()>;

    // `startupSection`, when given, becomes the page's first section.
    explicit GeneralPage(QWidget* startupSection = nullptr, QWidget* parent = nullptr);

    // "1.2 (34)" from the bundle's Info.plist, "—" for a part that is absent or not text.
    static QString versionLabel(const Bundle& bundle);
    // The running agent's version, else this app's own.
    static QString versionLabel(const std::optional<QString>& agentBundlePath);
    // The bundle of the agent that is running now, if any.
    static std::optional<QString> runningAgentBundle();
    // For tests: where the page looks for a running agent (empty: back to the process list).
    static void setAgentBundleFinderForTesting(AgentBundleFinder finder);
    // For tests: what the page is told about the installation (empty: back to the real one).
    static void setInstallationNoteForTesting(InstallationNoteSource source);

    QPushButton* checkNowButton() const { return m_checkNow; }
    SwitchButton* checkAutomaticallySwitch() const { return m_checkAutomatically; }
    // The Updates section, whose footer explains an installation updated by others.
    FormSection* updatesSection() const { return m_updates; }
    QLabel* versionText() const { return m_version; }
    StorePicker* languagePicker() const { return m_language; }
    StorePicker* unitPicker() const { return m_unit; }
    StorePicker* intervalPicker() const { return m_interval; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refreshUpdaterState();
    void applyColours();

    QPushButton* m_checkNow = nullptr;
    SwitchButton* m_checkAutomatically = nullptr;
    FormSection* m_updates = nullptr;
    // Set when the package manager or an administrator updates this installation: both update
    // controls are then off, with this as the reason.
    QString m_installationNote;
    QLabel* m_version = nullptr;
    StorePicker* m_language = nullptr;
    StorePicker* m_unit = nullptr;
    StorePicker* m_interval = nullptr;
    // The agent writes "updaterCanCheck" from its own process, so the page looks again while it
    // is on screen.
    QTimer m_poll;
};
