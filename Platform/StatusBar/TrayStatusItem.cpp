#include "Platform/StatusBar/TrayStatusItem.h"

#include "Platform/StatusBar/StatusBarButton.h"
#include "Platform/StatusBar/StatusNotifierItem.h"
#include "Platform/StatusBar/TrayStatusBar.h"

#include <QWidget>

TrayStatusItem::TrayStatusItem(TrayStatusBar& bar, double length)
    : m_bar(bar)
    , m_length(length)
    , m_host(std::make_unique<QWidget>())
{
    m_button = new StatusBarButton(m_host.get());
    m_button->setGeometry(0, 0, int(length), 24);
}

TrayStatusItem::~TrayStatusItem() = default;

StatusBarButton* TrayStatusItem::button() const
{
    return m_button;
}

void TrayStatusItem::setIdentity(const QString& id, const QString& title)
{
    if (!m_item)
        m_id = id;
    m_title = title;
    if (m_item)
        m_item->setTitle(title);
}

void TrayStatusItem::setIcon(const QList<QImage>& pictures)
{
    m_icon = pictures;
    ++m_iconUpdates;
    if (m_item)
        m_item->setIcon(m_icon);
}

void TrayStatusItem::setToolTip(const QString& title, const QString& text)
{
    m_toolTipTitle = title;
    m_toolTipText = text;
    if (m_item)
        m_item->setToolTip(title, text);
}

QString TrayStatusItem::toolTip() const
{
    return m_toolTipText.isEmpty() ? m_toolTipTitle : m_toolTipTitle + QLatin1Char('\n') + m_toolTipText;
}

void TrayStatusItem::setLabel(const QString& label, const QString& guide)
{
    m_label = label;
    m_labelGuide = guide;
    if (m_item)
        m_item->setLabel(label, guide);
}

void TrayStatusItem::show()
{
    if (m_icon.isEmpty() || m_item)
        return;
    QList<DBusMenu::Entry> menu;
    for (const TrayStatusBar::MenuAction& action : m_bar.menuActions())
        menu.append({action.text, action.run});
    m_item = std::make_unique<StatusNotifierItem>(m_id, std::move(menu));
    m_item->setTitle(m_title);
    m_item->setIcon(m_icon);
    m_item->setToolTip(m_toolTipTitle, m_toolTipText);
    m_item->setLabel(m_label, m_labelGuide);
    m_item->setOnActivate([this](std::optional<QPoint> position) { m_bar.reportActivation(this, position); });
    m_item->setOnSecondaryActivate([this](std::optional<QPoint>) { m_bar.reportSecondaryActivation(this); });
    connect(m_item.get(), &StatusNotifierItem::registrationFailed, this,
        [this](const QString& reason) { m_bar.reportRefusal(this, reason); });
    m_bar.queueRegistration(m_item.get());
}

void TrayStatusItem::registerAgain()
{
    if (m_item)
        m_bar.queueRegistration(m_item.get());
}
