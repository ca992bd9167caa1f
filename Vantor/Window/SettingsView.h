#pragma once

#include "Vantor/Window/HostedWidgets.h"
#include "Vantor/Window/SettingsPage.h"

#include <QPointer>
#include <QWidget>

class GeneralPage;
class MenuBarPage;
class PopoversPage;
class QSplitter;
class QStackedWidget;
class Sidebar;

// The settings window's content: the sidebar and the selected page. The selected page is kept in
// the store, so the window opens where the user left it. When the interface language changes the
// whole tree is built again at once, so every text is looked up in the new language.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr int minimumContentWidth = 640;
    static constexpr int minimumContentHeight = 480;

    explicit SettingsView(HostedWidgets hosted = {}, QWidget* parent = nullptr);

    // Large enough to show every page without scrolling (the Top Bar page is the longest), never
    // below the window's minimum; the screen may allow less.
    QSize preferredSize() const;

    SettingsPage currentPage() const;
    Sidebar* sidebar() const { return m_sidebar; }
    QSplitter* splitter() const { return m_splitter; }
    MenuBarPage* menuBarPage() const { return m_menuBar; }
    PopoversPage* popoversPage() const { return m_popovers; }
    GeneralPage* generalPage() const { return m_general; }
    // How many times the tree was built; a language change adds one.
    int generation() const { return m_generation; }

    // Builds the tree again in the current language.
    void rebuild();

signals:
    void rebuilt();

private:
    void build();
    void showPage(SettingsPage page);
    void storeChanged();

    HostedWidgets m_hosted;
    QString m_language;
    int m_generation = 0;
    bool m_rebuildQueued = false;
    QPointer<QWidget> m_content;
    QSplitter* m_splitter = nullptr;
    Sidebar* m_sidebar = nullptr;
    QStackedWidget* m_detail = nullptr;
    MenuBarPage* m_menuBar = nullptr;
    PopoversPage* m_popovers = nullptr;
    GeneralPage* m_general = nullptr;
};
