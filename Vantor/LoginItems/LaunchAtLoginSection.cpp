#include "Vantor/LoginItems/LaunchAtLoginSection.h"

#include "Vantor/LoginItems/LoginItemManager.h"
#include "VantorShared/Language/AppLanguage.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QColor secondaryText(const QPalette& palette)
{
    return palette.color(QPalette::PlaceholderText);
}

// A clear red that reads on light and dark windows alike.
const QColor errorText(215, 58, 73);

void setTextColor(QLabel* label, const QColor& color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

} // namespace

LaunchAtLoginSection::LaunchAtLoginSection(std::shared_ptr<LoginItemService> service, QWidget* parent)
    : QGroupBox(AppLanguage::string(QStringLiteral("Startup")), parent)
    , m_manager(new LoginItemManager(std::move(service), this))
    , m_switch(new QCheckBox(this))
    , m_approvalRow(new QWidget(this))
    , m_openSettings(new QPushButton(AppLanguage::string(QStringLiteral("Open Startup Applications…")), this))
    , m_message(new QLabel(this))
{
    auto* column = new QVBoxLayout(this);

    auto* launchRow = new QHBoxLayout;
    auto* launchLabel = new QLabel(AppLanguage::string(QStringLiteral("Launch Vantor at login")), this);
    launchLabel->setBuddy(m_switch);
    m_switch->setAccessibleName(launchLabel->text());
    // The placeholder keeps the switch's room, so the row does not jump when it appears.
    QSizePolicy keepRoom = m_switch->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    m_switch->setSizePolicy(keepRoom);
    launchRow->addWidget(launchLabel, 1);
    launchRow->addWidget(m_switch);
    column->addLayout(launchRow);

    auto* approval = new QHBoxLayout(m_approvalRow);
    approval->setContentsMargins(0, 0, 0, 0);
    auto* approvalLabel
        = new QLabel(AppLanguage::string(QStringLiteral("Turned off in your desktop's startup applications.")), this);
    approvalLabel->setWordWrap(true);
    setTextColor(approvalLabel, secondaryText(palette()));
    approval->addWidget(approvalLabel, 1);
    approval->addWidget(m_openSettings);
    column->addWidget(m_approvalRow);

    m_message->setWordWrap(true);
    column->addWidget(m_message);

    // A click is the user's wish; it is carried out after the click has been handled.
    connect(m_switch, &QCheckBox::clicked, this, [this](bool checked) {
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
        m_message->setText(LoginItemManager::message(*block));
        setTextColor(m_message, secondaryText(palette()));
    } else if (const auto& error = m_manager->lastError()) {
        m_message->setText(*error);
        setTextColor(m_message, errorText);
    } else {
        m_message->clear();
    }
    m_message->setVisible(!m_message->text().isEmpty());
}

void LaunchAtLoginSection::showEvent(QShowEvent* event)
{
    QGroupBox::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    m_manager->refresh();
}

void LaunchAtLoginSection::changeEvent(QEvent* event)
{
    QGroupBox::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        // Coming back from the desktop's settings: the user may have changed the entry there.
        QTimer::singleShot(0, m_manager, [manager = m_manager] { manager->refresh(); });
    }
}
