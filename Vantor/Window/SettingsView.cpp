#include "Vantor/Window/SettingsView.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/Pages/GeneralPage.h"
#include "Vantor/Pages/MenuBarPage.h"
#include "Vantor/Pages/PopoversPage.h"
#include "Vantor/Window/Sidebar.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Language/Units.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString storedLanguage()
{
    return SharedSettings::store().stringForKey(SharedSettings::Key::language).value_or(QStringLiteral("system"));
}

QString storedPane()
{
    return SharedSettings::store().stringForKey(SharedSettings::Key::settingsPane).value_or(QStringLiteral("menuBar"));
}

} // namespace

SettingsView::SettingsView(HostedWidgets hosted, QWidget* parent)
    : QWidget(parent)
    , m_hosted(std::move(hosted))
{
    setMinimumSize(minimumContentWidth, minimumContentHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    build();
    connect(&SharedSettings::store(), &PreferencesDomain::didChange, this, &SettingsView::storeChanged);
}

void SettingsView::storeChanged()
{
    if (storedLanguage() == m_language || m_rebuildQueued)
        return;
    // The change usually comes from the language picker inside the tree, which must not be
    // deleted under its own signal; the tree is replaced once control is back in the event loop.
    m_rebuildQueued = true;
    QTimer::singleShot(0, this, &SettingsView::rebuild);
}

void SettingsView::rebuild()
{
    m_rebuildQueued = false;
    const QList<int> widths = m_splitter ? m_splitter->sizes() : QList<int>();
    if (m_content) {
        m_content->hide();
        m_content->deleteLater();
    }
    build();
    if (widths.size() == 2)
        m_splitter->setSizes(widths);
    emit rebuilt();
}

void SettingsView::build()
{
    ++m_generation;
    m_language = storedLanguage();
    // Numbers and units follow the interface language, with the system's region.
    setLocale(QLocale(Units::localeName()));

    m_content = new QWidget(this);
    auto* contentLayout = new QHBoxLayout(m_content);
    contentLayout->setContentsMargins(0, 0, 0, 0);

    m_splitter = new QSplitter(Qt::Horizontal, m_content);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setHandleWidth(1);

    m_sidebar = new Sidebar;
    for (const HostedWidgets::Factory& factory : {m_hosted.updateOfferRow, m_hosted.agentRow})
        if (factory)
            if (QWidget* row = factory())
                m_sidebar->foot()->addWidget(row);

    m_detail = new QStackedWidget;
    m_menuBar = new MenuBarPage;
    m_popovers = new PopoversPage;
    m_general = new GeneralPage(m_hosted.startupSection ? m_hosted.startupSection() : nullptr);
    m_detail->addWidget(m_menuBar);
    m_detail->addWidget(m_popovers);
    m_detail->addWidget(m_general);

    m_splitter->addWidget(m_sidebar);
    m_splitter->addWidget(m_detail);
    m_splitter->setCollapsible(0, false);
    m_splitter->setCollapsible(1, false);
    // Extra width goes to the page; the sidebar keeps its width until the user drags it.
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({Sidebar::narrowest, std::max(0, width() - Sidebar::narrowest)});
    contentLayout->addWidget(m_splitter);
    layout()->addWidget(m_content);

    const SettingsPage page = settingsPage(storedPane());
    m_sidebar->setCurrentPage(page);
    showPage(page);
    connect(m_sidebar, &Sidebar::pageChosen, this, [this](SettingsPage chosen) {
        SharedSettings::store().setString(SharedSettings::Key::settingsPane, rawValue(chosen));
        showPage(chosen);
    });
    m_content->show();
}

void SettingsView::showPage(SettingsPage page)
{
    m_detail->setCurrentIndex(int(page));
}

QSize SettingsView::preferredSize() const
{
    QSize content;
    for (QWidget* page :
        {static_cast<QWidget*>(m_menuBar), static_cast<QWidget*>(m_popovers), static_cast<QWidget*>(m_general)}) {
        // A page is a scrolling column; what it needs is the height of what it scrolls.
        const auto* form = page ? page->findChild<QScrollArea*>() : nullptr;
        if (form && form->widget())
            content = content.expandedTo(form->widget()->sizeHint());
    }
    const int sidebar = m_splitter && !m_splitter->sizes().isEmpty()
        ? std::max(Sidebar::narrowest, m_splitter->sizes().constFirst())
        : Sidebar::narrowest;
    return QSize(sidebar + m_splitter->handleWidth() + content.width(), content.height())
        .expandedTo(QSize(minimumContentWidth, minimumContentHeight));
}

SettingsPage SettingsView::currentPage() const
{
    return SettingsPage(m_detail->currentIndex());
}
