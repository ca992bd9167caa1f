#include "Vantor/Window/Sidebar.h"

#include "Vantor/Pages/SettingsColors.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Meters/SymbolImages.h"

#include <QEvent>
#include <QFrame>
#include <QListWidget>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int kPageRole = Qt::UserRole + 1;
constexpr int kGroupRole = Qt::UserRole + 2;

} // namespace

Sidebar::Sidebar(QWidget* parent)
    : QWidget(parent)
    , m_list(new QListWidget(this))
{
    setMinimumWidth(narrowest);
    setMaximumWidth(widest);
    setAccessibleName(AppLanguage::string(QStringLiteral("Sidebar")));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 12, 10, 8);
    layout->setSpacing(6);

    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setIconSize(QSize(16, 16));
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setAccessibleName(AppLanguage::string(QStringLiteral("Pages")));
    m_list->viewport()->setAutoFillBackground(false);
    m_list->setStyleSheet(QStringLiteral(
        "QListWidget { background: transparent; outline: none; }"
        "QListWidget::item { border-radius: 6px; padding: 5px 6px; margin: 1px 0px; }"
        "QListWidget::item:selected { background: palette(highlight); color: palette(highlighted-text); }"));
    bool firstGroup = true;
    for (const SettingsPageGroup& group : SettingsPageGroup::all()) {
        auto* header = new QListWidgetItem(group.title, m_list);
        header->setFlags(Qt::NoItemFlags);
        QFont font = m_list->font();
        font.setPointSizeF(font.pointSizeF() * 0.85);
        font.setBold(true);
        header->setFont(font);
        header->setSizeHint(QSize(0, firstGroup ? 22 : 34));
        header->setTextAlignment(Qt::AlignLeft | Qt::AlignBottom);
        header->setData(kGroupRole, true);
        firstGroup = false;
        for (const SettingsPage page : group.pages) {
            auto* item = new QListWidgetItem(title(page), m_list);
            item->setData(kPageRole, rawValue(page));
            item->setSizeHint(QSize(0, 30));
        }
    }
    paintSymbols();
    paintGroupTitles();
    connect(m_list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item && !m_settingPage)
            emit pageChosen(settingsPage(item->data(kPageRole).toString()));
    });
    layout->addWidget(m_list, 1);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setFixedHeight(1);
    divider->setForegroundRole(QPalette::Mid);
    layout->addWidget(divider);

    m_foot = new QVBoxLayout;
    m_foot->setContentsMargins(0, 0, 0, 0);
    m_foot->setSpacing(0);
    layout->addLayout(m_foot);
}

SettingsPage Sidebar::currentPage() const
{
    const QListWidgetItem* item = m_list->currentItem();
    return settingsPage(item ? item->data(kPageRole).toString() : QString());
}

void Sidebar::setCurrentPage(SettingsPage page)
{
    m_settingPage = true;
    for (int row = 0; row < m_list->count(); ++row)
        if (m_list->item(row)->data(kPageRole).toString() == rawValue(page))
            m_list->setCurrentRow(row);
    m_settingPage = false;
}

void Sidebar::paintGroupTitles()
{
    // A group title cannot be chosen, but it is read: it takes a colour of its own rather than
    // the faint one of a disabled row.
    const QBrush colour(SettingsColors::secondaryText(palette(), SettingsColors::sidebarFill(palette())));
    for (int row = 0; row < m_list->count(); ++row)
        if (QListWidgetItem* item = m_list->item(row); item->data(kGroupRole).toBool())
            item->setForeground(colour);
}

void Sidebar::paintSymbols()
{
    const QColor tint = SettingsColors::headingBlue(SettingsColors::isDark(palette()));
    for (int row = 0; row < m_list->count(); ++row) {
        QListWidgetItem* item = m_list->item(row);
        const QString page = item->data(kPageRole).toString();
        if (page.isEmpty())
            continue;
        const QString name = symbol(settingsPage(page));
        QIcon icon(QPixmap::fromImage(SymbolImages::render(name, 14, tint, devicePixelRatioF())));
        // On the selection's fill the symbol takes the selected text's colour, like the title.
        icon.addPixmap(QPixmap::fromImage(SymbolImages::render(
                           name, 14, palette().color(QPalette::HighlightedText), devicePixelRatioF())),
            QIcon::Selected);
        item->setIcon(icon);
    }
}

void Sidebar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), SettingsColors::sidebarFill(palette()));
}

void Sidebar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) {
        paintSymbols();
        paintGroupTitles();
    }
    QWidget::changeEvent(event);
}
