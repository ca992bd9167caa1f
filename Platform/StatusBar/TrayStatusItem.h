#pragma once

#include "Platform/StatusBar/StatusItem.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

class QWidget;
class StatusNotifierItem;
class TrayStatusBar;

// An item of the desktop's tray. The tray draws a square icon that we send it (and, where the
// host shows them, a text label beside it), so the item has no window of its own: its button
// lives in a widget that is never shown, where the controller's label and content are kept as in
// the bar.
//
// The item goes on the bus only when it is first shown, under the id given by then: a tray that
// is waiting for its host has nothing to register with.
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

    // The item's stable id for the host ("vantor-cpu") and its title; the id counts only until
    // the item is first shown.
    void setIdentity(const QString& id, const QString& title);
    QString id() const { return m_id; }
    // Each tells the host only what changed: the icon (one picture per size) whenever it is set,
    // the tooltip and the label when their texts differ from those sent.
    void setIcon(const QList<QImage>& pictures);
    void setToolTip(const QString& title, const QString& text);
    // The tooltip as one text: the title, then the text on the following lines.
    QString toolTip() const;
    void setLabel(const QString& label, const QString& guide);
    QString label() const { return m_label; }
    QString labelGuide() const { return m_labelGuide; }
    // Puts the item into the tray; nothing while it has no icon yet.
    void show();
    bool isShown() const { return m_item != nullptr; }
    // Asks the tray again to show an item that is shown (a restarted tray forgets its items).
    void registerAgain();
    // How many icons went to the tray so far.
    int iconUpdates() const { return m_iconUpdates; }
    // The item on the bus once shown.
    StatusNotifierItem* busItem() const { return m_item.get(); }

signals:
    // The host activated the item, at the screen position it gave when it gave one. The bar hears
    // of it too; an item that is not a section's (the machines meter) handles its own clicks.
    void activated(std::optional<QPoint> screenPosition);

private:
    TrayStatusBar& m_bar;
    double m_length;
    QString m_autosaveName;
    QString m_id;
    QString m_title;
    QList<QImage> m_icon;
    QString m_toolTipTitle;
    QString m_toolTipText;
    QString m_label;
    QString m_labelGuide;
    int m_iconUpdates = 0;
    std::unique_ptr<QWidget> m_host;
    StatusBarButton* m_button = nullptr;
    std::unique_ptr<StatusNotifierItem> m_item;
};
