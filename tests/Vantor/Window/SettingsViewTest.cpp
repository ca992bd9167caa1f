#include "Vantor/Window/SettingsView.h"
#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/Window/Sidebar.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/IsolatedSettings.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QSplitter>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

using SharedSettings::Key::settingsPane;

class SettingsViewTest : public ::testing::Test {
protected:
    SettingsViewTest() { SharedSettings::prepareAtLaunch(); }
    ~SettingsViewTest() override { Bundle::setMainBundlePathForTesting({}); }

    static void choose(SettingsView& view, SettingsPage page)
    {
        QListWidget* list = view.sidebar()->list();
        for (int row = 0; row < list->count(); ++row)
            if (list->item(row)->text() == title(page))
                list->setCurrentRow(row);
    }

    IsolatedSettings settings;
};

} // namespace

TEST_F(SettingsViewTest, TheStoredPaneOpensItsPageAndAnythingElseOpensTheMenuBarPage)
{
    SharedSettings::store().setString(settingsPane, QStringLiteral("general"));
    EXPECT_EQ(SettingsView().currentPage(), SettingsPage::general);

    SharedSettings::store().setString(settingsPane, QStringLiteral("General"));
    SettingsView view;
    EXPECT_EQ(view.currentPage(), SettingsPage::menuBar);
    EXPECT_EQ(view.sidebar()->currentPage(), SettingsPage::menuBar);
    // Opening on the fallback writes nothing; the first real choice replaces the odd value.
    EXPECT_EQ(SharedSettings::store().stringForKey(settingsPane), QStringLiteral("General"));
    choose(view, SettingsPage::popovers);
    EXPECT_EQ(view.currentPage(), SettingsPage::popovers);
    EXPECT_EQ(SharedSettings::store().stringForKey(settingsPane), QStringLiteral("popovers"));
}

TEST_F(SettingsViewTest, TheSidebarKeepsItsWidthAtTheMinimumWindowSize)
{
    SettingsView view;
    view.resize(SettingsView::minimumContentWidth, SettingsView::minimumContentHeight);
    view.show();
    QApplication::processEvents();
    EXPECT_TRUE(view.sidebar()->isVisible());
    EXPECT_GE(view.sidebar()->width(), Sidebar::narrowest);

    // Neither dragging the divider fully left nor narrowing further hides it.
    view.splitter()->setSizes({0, SettingsView::minimumContentWidth});
    view.resize(100, 100);
    QApplication::processEvents();
    EXPECT_TRUE(view.sidebar()->isVisible());
    EXPECT_GE(view.sidebar()->width(), Sidebar::narrowest);
    EXPECT_GE(view.width(), SettingsView::minimumContentWidth);
    EXPECT_FALSE(view.splitter()->isCollapsible(0));
}

TEST_F(SettingsViewTest, ChoosingALanguageRebuildsTheWholeWindowInIt)
{
    Bundle::setMainBundlePathForTesting(QStringLiteral(VANTOR_APP_BUNDLE));
    SharedSettings::store().setString(SharedSettings::Key::language, QStringLiteral("en"));
    int madeRows = 0;
    HostedWidgets hosted;
    hosted.agentRow = [&madeRows] {
        ++madeRows;
        return new QLabel(AppLanguage::string(QStringLiteral("General")));
    };
    SettingsView view(hosted);
    const int before = view.generation();
    EXPECT_EQ(view.sidebar()->list()->item(3)->text(), QStringLiteral("Application"));

    SharedSettings::store().setString(SharedSettings::Key::language, QStringLiteral("de"));
    // Replaced once control is back in the event loop, never under the picker's own signal.
    EXPECT_EQ(view.generation(), before);
    QApplication::processEvents();
    EXPECT_EQ(view.generation(), before + 1);
    EXPECT_EQ(view.sidebar()->list()->item(3)->text(), AppLanguage::string(QStringLiteral("Application")));
    EXPECT_NE(view.sidebar()->list()->item(3)->text(), QStringLiteral("Application"));
    EXPECT_EQ(madeRows, 2);

    // Other settings do not rebuild anything.
    SharedSettings::store().setString(SharedSettings::Key::meterShape, QStringLiteral("square"));
    QApplication::processEvents();
    EXPECT_EQ(view.generation(), before + 1);
}
