#pragma once

#include <QComboBox>
#include <QList>
#include <QVariant>

#include <functional>

// A pop-up menu bound to one key of the shared store. It shows the effective stored value and
// writes the chosen entry's value. A stored value that no entry matches is shown as an extra
// entry when the picker knows how to describe it, so the user sees what is really in effect
// instead of a choice that would silently replace it.
class StorePicker : public QComboBox {
    Q_OBJECT
public:
    struct Entry {
        QString title;
        QVariant value;
        // Draws a divider above this entry.
        bool separatorBefore = false;
        // Still a choice, but marked: this machine cannot supply it.
        bool unavailable = false;
    };

    StorePicker(const QString& key, QList<Entry> entries, std::function<QVariant()> read, QWidget* parent = nullptr);

    // How to title a stored value that matches no entry; without it such a value shows no
    // selection.
    void setUnlistedTitle(std::function<QString(const QVariant&)> title);
    QVariant currentValue() const;
    void refresh();
    // Replaces the entries (when what they offer changed), keeping the stored value selected.
    void setEntries(QList<Entry> entries);
    // The title shown for an entry.
    static QString displayTitle(const Entry& entry);

    // As wide as the plain titles need: a marked entry is read in full in the open list, and
    // must not stretch the closed picker across the row.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    static bool same(const QVariant& a, const QVariant& b);
    void rebuildItems(const QVariant& unlisted);

    QString m_key;
    QList<Entry> m_entries;
    std::function<QVariant()> m_read;
    std::function<QString(const QVariant&)> m_unlistedTitle;
    QVariant m_unlisted;
};
