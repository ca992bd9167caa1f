#pragma once

#include "Platform/StatusBar/StatusItem.h"

#include <QIcon>
#include <QPointer>
#include <QString>

#include <memory>

class QMenu;
class QSystemTrayIcon;
class QWidget;
class TrayStatusBar;

// An item of the desktop's tray. The tray draws a square icon that we send it, so the item has no
// window of its own: its button lives in a widget that is never shown, where the controller's
// label and content are kept as in the bar.
//
// The tray icon itself is made only when the item is first shown: making one asks the desktop
// whether it has a tray, and Qt remembers that first answer for the life of the process.
class TrayStatusItem : public StatusItem {
    Q_OBJECT
public:
    explicit TrayStatusItem(TrayStatusBar& bar, double length);
    ~TrayStatusItem() override;

    double length() const override { return m_length; }
    void setLength(double length) override { m_length = length; }
    QString autosaveName() const override { return m_autosaveName; }
    void setAutosaveName(const QString& name) override { m_autosaveName = name; }
    StatusBarButton* button() const override;

    // Each sends a message to the tray and makes its panel repaint: the icon is set only when
    // the picture changed, and a tooltip equal to the one already sent is skipped.
    void setIcon(const QIcon& icon);
    void setToolTip(const QString& text);
    QString toolTip() const { return m_toolTip; }
    // Puts the item into the tray; nothing while it has no icon yet.
    void show();
    bool isShown() const;
    // How many icons went to the tray so far.
    int iconUpdates() const { return m_iconUpdates; }

private:
    void makeTrayIcon();

    TrayStatusBar& m_bar;
    double m_length;
    QString m_autosaveName;
    QIcon m_icon;
    QString m_toolTip;
    int m_iconUpdates = 0;
    std::unique_ptr<QWidget> m_host;
    StatusBarButton* m_button = nullptr;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_trayIcon;
};
