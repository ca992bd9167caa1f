#pragma once

#include "Platform/StatusBar/StatusBar.h"

#include <QList>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class LinuxStatusItem;
class PreferencesDomain;
class QScreen;

// The status bar on Linux: every item is its own small window, laid out along the top edge of the
// primary screen from the right, 8 pixels between items.
//
// Items are ordered by the positions remembered in a preferences domain under `positionKeyPrefix`
// + autosave name: a larger position stands further left, and an item without one goes left of
// all the others (among equals, the newer item goes further left). Holding the reorder modifier
// the user drags an item; on release the bar packs the items again in their new order and
// rewrites their positions, each being the distance from the right end of the bar to the item's
// right edge.
class LinuxStatusBar : public StatusBar {
    Q_OBJECT
public:
    static constexpr int itemGap = 8;

    LinuxStatusBar(PreferencesDomain& positions, QString positionKeyPrefix, QObject* parent = nullptr);
    ~LinuxStatusBar() override;

    StatusItem* createItem(double length) override;
    void removeItem(StatusItem* item) override;

    // The items from left to right as they are laid out.
    QList<LinuxStatusItem*> itemsLeftToRight() const;
    // Places every window that is not being dragged.
    void layOut();

private:
    std::optional<double> storedPosition(const LinuxStatusItem& item) const;
    void watchScreen();
    void finishDrag();
    QRect barArea() const;

    PreferencesDomain& m_positions;
    QString m_prefix;
    std::vector<std::unique_ptr<LinuxStatusItem>> m_items;
    quint64 m_nextSerial = 0;
    QPointer<QScreen> m_screen;
    QList<QMetaObject::Connection> m_screenConnections;
};
