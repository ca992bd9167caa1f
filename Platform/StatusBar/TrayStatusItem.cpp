#include "Platform/StatusBar/TrayStatusItem.h"

#include "Platform/StatusBar/StatusBarButton.h"
#include "Platform/StatusBar/TrayStatusBar.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

TrayStatusItem::TrayStatusItem(TrayStatusBar& bar, double length)
    : m_bar(bar)
    , m_length(length)
    , m_host(std::make_unique<QWidget>())
{
    m_button = new StatusBarButton(m_host.get());
    m_button->setGeometry(0, 0, int(length), 24);
}

TrayStatusItem::~TrayStatusItem()
{
    // The tray icon goes first: hiding it takes the item out of the tray while its menu still
    // exists.
    if (m_trayIcon)
        m_trayIcon->hide();
    m_trayIcon.reset();
    m_menu.reset();
}

StatusBarButton* TrayStatusItem::button() const
{
    return m_button;
}

void TrayStatusItem::setIcon(const QIcon& icon)
{
    m_icon = icon;
    ++m_iconUpdates;
    if (m_trayIcon)
        m_trayIcon->setIcon(m_icon);
}

void TrayStatusItem::setToolTip(const QString& text)
{
    if (text == m_toolTip)
        return;
    m_toolTip = text;
    if (m_trayIcon)
        m_trayIcon->setToolTip(m_toolTip);
}

bool TrayStatusItem::isShown() const
{
    return m_trayIcon && m_trayIcon->isVisible();
}

void TrayStatusItem::show()
{
    if (m_icon.isNull() || isShown())
        return;
    if (!m_trayIcon)
        makeTrayIcon();
    m_trayIcon->show();
}

void TrayStatusItem::makeTrayIcon()
{
    m_trayIcon = std::make_unique<QSystemTrayIcon>(m_icon);
    m_trayIcon->setToolTip(m_toolTip);
    if (!m_bar.menuActions().isEmpty()) {
        m_menu = std::make_unique<QMenu>();
        for (const TrayStatusBar::MenuAction& entry : m_bar.menuActions()) {
            QAction* action = m_menu->addAction(entry.text);
            QObject::connect(action, &QAction::triggered, m_menu.get(), [run = entry.run] {
                if (run)
                    run();
            });
        }
        m_trayIcon->setContextMenu(m_menu.get());
    }
    connect(m_trayIcon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // The context menu is the tray's to show; a middle click means nothing here.
        if (reason == QSystemTrayIcon::Trigger)
            m_bar.reportActivation(this);
    });
}
