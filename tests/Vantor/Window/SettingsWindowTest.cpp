#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/AgentControl/AgentController.h"
#include "Vantor/AgentControl/AgentRow.h"
#include "Vantor/LoginItems/LaunchAtLoginSection.h"
#include "Vantor/Pages/SettingsColors.h"
#include "Vantor/Pages/SwitchButton.h"
#include "Vantor/Updates/UpdateOfferRow.h"
#include "Vantor/Window/SettingsView.h"
#include "Vantor/Window/Sidebar.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/System/AppLinks.h"
#include "tests/support/FakeLoginItemService.h"
#include "tests/support/IsolatedSettings.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleFactory>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A light and a dark palette as desktops hand them out: Qt's own light one, and a dark one of the
// usual make.
QPalette lightPalette()
{
    return QStyleFactory::create(QStringLiteral("Fusion"))->standardPalette();
}

QPalette darkPalette()
{
    QPalette palette;
    const QColor window(0x2a, 0x2a, 0x2e), text(0xee, 0xee, 0xf0);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x21));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3e));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Highlight, QColor(0x2a, 0x6c, 0xd0));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(0x70, 0x70, 0x75));
    return palette;
}

// The window as the app builds it, with every row other parts put into it.
class SettingsWindowTest : public ::testing::Test {
protected:
    SettingsWindowTest()
    {
        SharedSettings::prepareAtLaunch();
        AppLinks::setAgentProcessesForTesting([] { return QList<ProcessScan::Entry>(); });
        hosted.updateOfferRow = [] { return new UpdateOfferRow; };
        hosted.agentRow = [this] { return new AgentRow(agent); };
        hosted.startupSection = [this] { return new LaunchAtLoginSection(service); };
    }
    ~SettingsWindowTest() override
    {
        QApplication::setPalette(QPalette());
        AppLinks::setAgentProcessesForTesting({});
    }

    static bool inside(const QWidget* widget, const char* className, const QString& objectName = {})
    {
        for (const QWidget* up = widget; up; up = up->parentWidget())
            if (up->inherits(className) && (objectName.isEmpty() || up->objectName() == objectName))
                return true;
        return false;
    }

    // What a text is drawn on: a group's fill, the sidebar, or the window.
    static QColor background(const QWidget* widget)
    {
        const QPalette& palette = widget->palette();
        if (inside(widget, "QWidget", QStringLiteral("formGroup")))
            return SettingsColors::groupBackground(palette);
        if (inside(widget, "Sidebar"))
            return SettingsColors::sidebarFill(palette);
        return palette.color(QPalette::Window);
    }

    // The widgets Tab stops at, in the order it visits them.
    static QList<QWidget*> tabStops(QWidget* window)
    {
        QList<QWidget*> stops;
        for (QWidget* widget = window->nextInFocusChain(); widget != window; widget = widget->nextInFocusChain())
            if ((widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && widget->isVisibleTo(window)
                && widget->isEnabled() && !widget->focusProxy())
                stops.append(widget);
        return stops;
    }

    IsolatedSettings settings;
    std::shared_ptr<FakeLoginItemService> service = std::make_shared<FakeLoginItemService>();
    AgentController agent;
    HostedWidgets hosted;
};

void choose(SettingsView& view, SettingsPage page)
{
    view.sidebar()->setCurrentPage(page);
    emit view.sidebar()->pageChosen(page);
}

} // namespace

TEST_F(SettingsWindowTest, EveryTextReadsAtFourAndAHalfToOneInLightAndDark)
{
    // An offer in the sidebar, so its small print is there too.
    SharedSettings::store().setString(SharedSettings::Key::updatesAvailable, QStringLiteral("99.0 (9999)"));
    for (const bool dark : {false, true}) {
        QApplication::setPalette(dark ? darkPalette() : lightPalette());
        for (const SettingsPage page : EnumCases<SettingsPage>::all) {
            SharedSettings::store().setString(SharedSettings::Key::settingsPane, rawValue(page));
            SettingsView view(hosted);
            view.show();
            QApplication::processEvents();
            int checked = 0;
            for (const QLabel* label : view.findChildren<QLabel*>()) {
                if (label->text().isEmpty() || !label->isEnabled() || !label->pixmap().isNull())
                    continue;
                const QColor text = label->palette().color(QPalette::Active, label->foregroundRole());
                const double ratio = SettingsColors::contrastRatio(text, background(label));
                EXPECT_GE(ratio, SettingsColors::minimumTextContrast)
                    << (dark ? "dark: " : "light: ") << label->text().toStdString() << " " << text.name().toStdString()
                    << " on " << background(label).name().toStdString();
                ++checked;
            }
            EXPECT_GT(checked, 5);
            // The sidebar's group titles and page names.
            QListWidget* list = view.sidebar()->list();
            const QColor fill = SettingsColors::sidebarFill(view.sidebar()->palette());
            for (int row = 0; row < list->count(); ++row) {
                const QListWidgetItem* item = list->item(row);
                // A group title cannot be chosen: it is drawn in its own colour, else as disabled text.
                QColor text = list->palette().color(QPalette::Text);
                if (item->flags() == Qt::NoItemFlags)
                    text = item->data(Qt::ForegroundRole).isValid()
                        ? item->foreground().color()
                        : list->palette().color(QPalette::Disabled, QPalette::Text);
                EXPECT_GE(SettingsColors::contrastRatio(text, fill), SettingsColors::minimumTextContrast)
                    << item->text().toStdString() << " " << text.name(QColor::HexArgb).toStdString() << " on "
                    << fill.name(QColor::HexArgb).toStdString();
            }
        }
    }
}

TEST_F(SettingsWindowTest, ContrastIsMeasuredAndMendedLikeTheGuidelinesDo)
{
    EXPECT_NEAR(SettingsColors::contrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(SettingsColors::contrastRatio(Qt::white, Qt::white), 1.0, 1e-9);
    // The faint grey the sidebar's group titles once had.
    EXPECT_NEAR(SettingsColors::contrastRatio(QColor(0xbe, 0xbe, 0xbe), QColor(0xe1, 0xe1, 0xe1)), 1.4, 0.05);
    // Half-transparent black over white is a mid grey.
    EXPECT_NEAR(SettingsColors::contrastRatio(QColor(0, 0, 0, 128), Qt::white),
        SettingsColors::contrastRatio(QColor(127, 127, 127), Qt::white), 0.05);
    for (const QColor& background : {QColor(0xe1, 0xe1, 0xe1), QColor(0x80, 0x80, 0x80), QColor(0x20, 0x20, 0x24)}) {
        const QColor mended = SettingsColors::readable(QColor(0xbe, 0xbe, 0xbe, 200), background);
        EXPECT_GE(SettingsColors::contrastRatio(mended, background), 4.5) << background.name().toStdString();
    }
    // A colour that already reads is left alone.
    EXPECT_EQ(SettingsColors::readable(Qt::black, Qt::white), QColor(Qt::black));
}

TEST_F(SettingsWindowTest, EverySectionIsTheSameCardAndEverySwitchTheSameSwitch)
{
    SettingsView view(hosted);
    EXPECT_TRUE(view.findChildren<QCheckBox*>().isEmpty());
    auto* startup = view.findChild<LaunchAtLoginSection*>();
    ASSERT_TRUE(startup);
    EXPECT_TRUE(startup->toggle()->parentWidget()->parentWidget()->objectName() == QStringLiteral("formGroup"));
    auto* row = view.findChild<AgentRow*>();
    ASSERT_TRUE(row);
    EXPECT_EQ(row->toggle()->accessibleName(), QStringLiteral("Show Vantor's meters"));
    EXPECT_GE(view.findChildren<SwitchButton*>().size(), 3);
}

TEST_F(SettingsWindowTest, EveryControlHasANameAndTabFollowsThePage)
{
    SettingsView view(hosted);
    view.resize(view.preferredSize());
    view.show();
    for (const SettingsPage page : EnumCases<SettingsPage>::all) {
        choose(view, page);
        QApplication::processEvents();
        const QList<QWidget*> stops = tabStops(&view);
        ASSERT_GT(stops.size(), 3) << rawValue(page).toStdString();
        bool inPage = false;
        QWidget* previous = nullptr;
        for (QWidget* stop : stops) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(stop);
            ASSERT_TRUE(accessible);
            EXPECT_FALSE(accessible->text(QAccessible::Name).trimmed().isEmpty())
                << rawValue(page).toStdString() << ": a " << stop->metaObject()->className() << " has no name";

            // The sidebar first, top to bottom; then the page, row by row and left to right.
            const bool sidebar = inside(stop, "Sidebar");
            EXPECT_FALSE(sidebar && inPage) << stop->metaObject()->className() << " comes back to the sidebar";
            if (!sidebar && !inPage) {
                inPage = true;
                previous = nullptr;
            }
            const QPoint at = stop->mapTo(&view, QPoint(0, stop->height() / 2));
            if (previous) {
                const QPoint before = previous->mapTo(&view, QPoint(0, previous->height() / 2));
                const bool sameRow = std::abs(at.y() - before.y()) <= 8;
                EXPECT_TRUE(sameRow ? at.x() > before.x() : at.y() > before.y())
                    << rawValue(page).toStdString() << ": " << previous->metaObject()->className() << " \""
                    << previous->accessibleName().toStdString() << "\" then " << stop->metaObject()->className()
                    << " \"" << stop->accessibleName().toStdString() << "\"";
            }
            previous = stop;
        }
        EXPECT_TRUE(inPage);
    }
}

TEST_F(SettingsWindowTest, ThePreferredSizeShowsTheTopBarPageWithoutScrolling)
{
    SettingsView view(hosted);
    const QSize preferred = view.preferredSize();
    EXPECT_GE(preferred.width(), SettingsView::minimumContentWidth);
    EXPECT_GT(preferred.height(), 520);
    view.resize(preferred);
    view.show();
    QApplication::processEvents();
    for (const SettingsPage page : EnumCases<SettingsPage>::all) {
        choose(view, page);
        QApplication::processEvents();
        for (const QScrollArea* form : view.findChildren<QScrollArea*>()) {
            if (form->isVisible() && !inside(form, "Sidebar")) {
                EXPECT_EQ(form->verticalScrollBar()->maximum(), 0) << rawValue(page).toStdString();
            }
        }
    }
}
