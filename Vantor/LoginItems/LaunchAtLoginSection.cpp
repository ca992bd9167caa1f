#include "Vantor/LoginItems/LaunchAtLoginSection.h"

#include "Vantor/LoginItems/LoginItemManager.h"
#include "Vantor/Pages/SettingsColors.h"
#include "Vantor/Pages/SwitchButton.h"
#include "VantorShared/Language/AppLanguage.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

LaunchAtLoginSection::LaunchAtLoginSection(std::shared_ptr<LoginItemService> service, QWidget* parent)
    : FormSection(AppLanguage::string(QStringLiteral("Startup")), parent)
    , m_manager(new LoginItemManager(std::move(service), this))
    , m_switch(new SwitchButton)
    , m_openSettings(new QPushButton(AppLanguage::string(QStringLiteral("Open Startup Applications…"))))
{
    // The placeholder keeps the switch's room, so the row does not jump when it appears.
    QSizePolicy keepRoom = m_switch->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    m_switch->setSizePolicy(keepRoom);
    addRow(AppLanguage::string(QStringLiteral("Launch Vantor at login")), m_switch);

    const QString approval = AppLanguage::string(QStringLiteral("Turned off in your desktop's startup applications."));
    m_approvalRow = addRow(approval, m_openSettings);
    m_approvalLabel = m_approvalRow->findChild<QLabel*>();
    if (m_approvalLabel)
        m_approvalLabel->setWordWrap(true);
    // The button alone would be read as "Open Startup Applications…"; the row says why.
    m_openSettings->setAccessibleDescription(approval);
    applyColours();

    // A click is the user's wish; it is carried out after the click has been handled.
    connect(m_switch, &SwitchButton::clicked, this, [this](bool checked) {
        QTimer::singleShot(0, m_manager, [manager = m_manager, checked] { manager->setEnabled(checked); });
    });
    connect(m_openSettings, &QPushButton::clicked, m_manager, &LoginItemManager::openSystemSettings);
    connect(m_manager, &LoginItemManager::statusChanged, this, &LaunchAtLoginSection::showState);
    connect(m_manager, &LoginItemManager::lastErrorChanged, this, &LaunchAtLoginSection::showState);
    showState();
}

LaunchAtLoginSection::~LaunchAtLoginSection() = default;

bool LaunchAtLoginSection::isPlaceholder() const
{
    return !LoginItemManager::lastKnownStatus() && !LoginItemManager::block();
}

void LaunchAtLoginSection::showState()
{
    const auto block = LoginItemManager::block();
    const LoginItemStatus status = m_manager->status();
    // Nothing that might be wrong is shown before the first look at the real state.
    const bool placeholder = !LoginItemManager::lastKnownStatus() && !block;
    m_switch->setVisible(!placeholder);
    m_switch->setChecked(status == LoginItemStatus::enabled || status == LoginItemStatus::requiresApproval);
    m_switch->setEnabled(!block);

    m_approvalRow->setVisible(status == LoginItemStatus::requiresApproval);

    if (block) {
        const QString reason = LoginItemManager::message(*block);
        setFooter(reason);
        m_switch->setToolTip(reason);
    } else {
        m_switch->setToolTip({});
        setFooter(m_manager->lastError().value_or(QString()), true);
    }
}

void LaunchAtLoginSection::applyColours()
{
    if (!m_approvalLabel)
        return;
    QPalette colours = m_approvalLabel->palette();
    colours.setColor(
        QPalette::WindowText, SettingsColors::secondaryText(palette(), SettingsColors::groupBackground(palette())));
    m_approvalLabel->setPalette(colours);
}

void LaunchAtLoginSection::showEvent(QShowEvent* event)
{
    FormSection::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    m_manager->refresh();
}

void LaunchAtLoginSection::changeEvent(QEvent* event)
{
    FormSection::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColours();
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        // Coming back from the desktop's settings: the user may have changed the entry there.
        QTimer::singleShot(0, m_manager, [manager = m_manager] { manager->refresh(); });
    }
}
