#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

class Bundle;
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

    QPushButton* checkNowButton() const { return m_checkNow; }
    QLabel* versionText() const { return m_version; }
    StorePicker* languagePicker() const { return m_language; }
    StorePicker* unitPicker() const { return m_unit; }
    StorePicker* intervalPicker() const { return m_interval; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refreshUpdaterState();

    QPushButton* m_checkNow = nullptr;
    QLabel* m_version = nullptr;
    StorePicker* m_language = nullptr;
    StorePicker* m_unit = nullptr;
    StorePicker* m_interval = nullptr;
    // The agent writes "updaterCanCheck" from its own process, so the page looks again while it
    // is on screen.
    QTimer m_poll;
};
