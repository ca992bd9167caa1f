#include "Vantor/Pages/StorePicker.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QAbstractItemView>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionComboBox>

#include <algorithm>

StorePicker::StorePicker(const QString& key, QList<Entry> entries, std::function<QVariant()> read, QWidget* parent)
    : QComboBox(parent)
    , m_key(key)
    , m_entries(std::move(entries))
    , m_read(std::move(read))
{
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    rebuildItems({});
    refresh();
    connect(this, &QComboBox::activated, this, [this](int index) {
        const QVariant value = itemData(index);
        if (value.isValid() && !SharedSettings::store().setObject(m_key, value))
            refresh();
    });
    connect(&SharedSettings::store(), &PreferencesDomain::didChange, this, &StorePicker::refresh);
}

void StorePicker::setUnlistedTitle(std::function<QString(const QVariant&)> title)
{
    m_unlistedTitle = std::move(title);
    refresh();
}

QVariant StorePicker::currentValue() const
{
    return currentData();
}

bool StorePicker::same(const QVariant& a, const QVariant& b)
{
    if (!a.isValid() || !b.isValid())
        return false;
    if (a.typeId() == QMetaType::Double || b.typeId() == QMetaType::Double) {
        bool okA = false, okB = false;
        const double x = a.toDouble(&okA), y = b.toDouble(&okB);
        return okA && okB && qFuzzyCompare(x + 1, y + 1);
    }
    return a.typeId() == b.typeId() && a == b;
}

void StorePicker::rebuildItems(const QVariant& unlisted)
{
    const QSignalBlocker blocker(this);
    m_unlisted = unlisted;
    clear();
    for (const Entry& entry : m_entries) {
        if (entry.separatorBefore)
            insertSeparator(count());
        addItem(displayTitle(entry), entry.value);
    }
    if (unlisted.isValid() && m_unlistedTitle) {
        insertSeparator(count());
        addItem(m_unlistedTitle(unlisted), unlisted);
    }
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, fontMetrics().horizontalAdvance(itemText(i)));
    view()->setMinimumWidth(widest + 2 * fontMetrics().averageCharWidth() + view()->frameWidth() * 2);
    updateGeometry();
}

QSize StorePicker::sizeHint() const
{
    QSize size = QComboBox::sizeHint();
    int widest = 0;
    for (const Entry& entry : m_entries)
        widest = std::max(widest, fontMetrics().horizontalAdvance(entry.title));
    if (m_unlisted.isValid() && m_unlistedTitle)
        widest = std::max(widest, fontMetrics().horizontalAdvance(m_unlistedTitle(m_unlisted)));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QSize plain = style()->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(widest, size.height()), this);
    size.setWidth(std::min(size.width(), plain.width()));
    return size;
}

QSize StorePicker::minimumSizeHint() const
{
    QSize size = QComboBox::minimumSizeHint();
    size.setWidth(std::min(size.width(), sizeHint().width()));
    return size;
}

QString StorePicker::displayTitle(const Entry& entry)
{
    if (!entry.unavailable)
        return entry.title;
    // One text with a place for the title, so that a translation can order it.
    return AppLanguage::string(QStringLiteral("%@ (not available on this machine)"))
        .replace(QStringLiteral("%@"), entry.title);
}

void StorePicker::setEntries(QList<Entry> entries)
{
    m_entries = std::move(entries);
    rebuildItems(m_unlisted);
    refresh();
}

void StorePicker::refresh()
{
    const QVariant stored = m_read();
    bool listed = false;
    for (const Entry& entry : m_entries)
        listed = listed || same(entry.value, stored);
    // The extra entry comes and goes with the stored value.
    const QVariant unlisted = !listed && stored.isValid() && m_unlistedTitle ? stored : QVariant();
    if (unlisted.isValid() != m_unlisted.isValid() || (unlisted.isValid() && !same(unlisted, m_unlisted)))
        rebuildItems(unlisted);
    const QSignalBlocker blocker(this);
    int index = -1;
    for (int i = 0; i < count(); ++i)
        if (same(itemData(i), stored))
            index = i;
    setCurrentIndex(index);
}
