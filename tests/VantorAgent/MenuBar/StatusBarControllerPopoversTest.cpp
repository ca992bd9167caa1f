#include "Platform/Bundles/Bundle.h"
#include "Platform/Popover/MouseMonitors.h"
#include "Platform/Popover/PopoverWindow.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/MenuBar/StatusBarController.h"
#include "VantorAgent/Popovers/MonitorPopover.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorShared/Meters/StatusMetricView.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeDetailReadings.h"
#include "tests/support/FakeMainQueue.h"
#include "tests/support/FakeStatusBar.h"
#include "tests/support/IsolatedSettings.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using S = MonitorSection;

namespace {

class ScopedBudget {
public:
    explicit ScopedBudget(const char* value) { qputenv("VANTOR_PANEL_BUDGET", value); }
    ~ScopedBudget() { qunsetenv("VANTOR_PANEL_BUDGET"); }
};

class StatusBarControllerPopoversTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qunsetenv("VANTOR_PANEL_BUDGET");
        Bundle::setMainBundlePathForTesting(QStringLiteral(VANTOR_AGENT_BUNDLE));
        StatusMetricView::resetCachesForTesting();
        SharedSettings::prepareAtLaunch();
        SystemMonitor::Sources sources;
        sources.procRoot = settings.path() + QStringLiteral("/no-proc");
        sources.sysRoot = settings.path() + QStringLiteral("/no-sys");
        sources.loadAverages = [](std::array<double, 3>&) { return false; };
        sources.clock = [] { return 100.0; };
        sources.startTimer = false;
        controller = std::make_unique<StatusBarController>(
            std::make_unique<SystemMonitor>(sources), bar, PreferencesDomain::standard(), queue);
        readings.fillWithSamples();
        controller->useDetailSource(readings);
    }
    void TearDown() override
    {
        controller.reset();
        StatusMetricView::resetCachesForTesting();
        Bundle::setMainBundlePathForTesting(QString());
    }

    FakeStatusItem* item(S section) const { return static_cast<FakeStatusItem*>(controller->statusItem(section)); }
    bool shown(S section) const { return controller->popover(section)->isShown(); }
    // Opens the section's popover and lets the preparation complete.
    void openShown(S section)
    {
        controller->toggle(section);
        readings.completePreparations();
        ASSERT_TRUE(shown(section));
    }

    IsolatedSettings settings;
    FakeStatusBar bar;
    FakeMainQueue queue;
    FakeDetailReadings readings;
    std::unique_ptr<StatusBarController> controller;
};

TEST_F(StatusBarControllerPopoversTest, OpensAfterPreparationAndClosesOnASecondClick)
{
    controller->toggle(S::memory);
    EXPECT_EQ(controller->pendingSection(), S::memory);
    EXPECT_FALSE(shown(S::memory));
    EXPECT_NE(controller->popover(S::memory)->content(), nullptr);
    EXPECT_TRUE(readings.open.contains(S::memory));

    readings.completePreparations();
    EXPECT_TRUE(shown(S::memory));
    EXPECT_FALSE(controller->pendingSection());
    auto* panel = qobject_cast<MonitorPopover*>(controller->popover(S::memory)->content());
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->section(), S::memory);

    controller->toggle(S::memory);
    EXPECT_FALSE(shown(S::memory));
    // A closed popover holds no panel and no detailed sampling.
    EXPECT_EQ(controller->popover(S::memory)->content(), nullptr);
    EXPECT_TRUE(readings.open.empty());
}

TEST_F(StatusBarControllerPopoversTest, TwoQuickClicksNeverShowThePopover)
{
    controller->toggle(S::cpu);
    controller->toggle(S::cpu);
    EXPECT_FALSE(controller->pendingSection());
    EXPECT_EQ(controller->popover(S::cpu)->content(), nullptr);
    readings.completePreparations();
    EXPECT_FALSE(shown(S::cpu));
    EXPECT_TRUE(readings.open.empty());
}

TEST_F(StatusBarControllerPopoversTest, OnlyTheLatestOfSeveralOpeningsShows)
{
    controller->toggle(S::cpu);
    controller->toggle(S::storage);
    readings.completePreparations();
    EXPECT_FALSE(shown(S::cpu));
    EXPECT_TRUE(shown(S::storage));
    EXPECT_EQ(controller->popover(S::cpu)->content(), nullptr);
}

TEST_F(StatusBarControllerPopoversTest, AnotherItemsClickClosesTheFirst)
{
    openShown(S::cpu);
    // (This machine has no sensors, so no sensors item: the memory item is the other one.)
    controller->toggle(S::memory);
    EXPECT_FALSE(shown(S::cpu));
    EXPECT_FALSE(readings.open.contains(S::cpu));
    readings.completePreparations();
    EXPECT_TRUE(shown(S::memory));
    int open = 0;
    for (const S section : allMonitorSections)
        open += shown(section) ? 1 : 0;
    EXPECT_EQ(open, 1);
}

TEST_F(StatusBarControllerPopoversTest, AClickOnTheShownItemIsLeftToTheItem)
{
    openShown(S::storage);
    const QPoint onItem = item(S::storage)->window.rect.center();
    // What the monitors see of that press changes nothing …
    controller->closePopoversIfOutside(onItem);
    EXPECT_TRUE(shown(S::storage));
    // … so the item's own click closes it, rather than opening it again.
    controller->toggle(S::storage);
    EXPECT_FALSE(shown(S::storage));
    EXPECT_FALSE(controller->pendingSection());
}

TEST_F(StatusBarControllerPopoversTest, ClicksInsideStayOpenAndClicksElsewhereClose)
{
    openShown(S::memory);
    const QRect frame = controller->popover(S::memory)->frame();
    controller->closePopoversIfOutside(frame.center());
    EXPECT_TRUE(shown(S::memory));

    // Another application was clicked: the application lost the activation with the pointer
    // far from the bar and the popover.
    controller->mouseMonitors().setPointerPosition([frame] { return frame.bottomRight() + QPoint(300, 300); });
    controller->mouseMonitors().applicationDeactivated();
    EXPECT_FALSE(shown(S::memory));
    EXPECT_TRUE(readings.open.empty());
}

TEST_F(StatusBarControllerPopoversTest, APressInAnotherOfOurWindowsCloses)
{
    openShown(S::cpu);
    ASSERT_FALSE(controller->popover(S::cpu)->frame().contains(705, 505));
    QWidget other;
    other.setGeometry(700, 500, 80, 80);
    other.show();
    ASSERT_NE(other.windowHandle(), nullptr);
    QMouseEvent press(
        QEvent::MouseButtonPress, QPointF(5, 5), QPointF(705, 505), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(other.windowHandle(), &press);
    EXPECT_FALSE(shown(S::cpu));
}

TEST_F(StatusBarControllerPopoversTest, AnItemWithoutAButtonOpensNothing)
{
    controller.reset();
    bar.withButtons = false;
    SystemMonitor::Sources sources;
    sources.startTimer = false;
    sources.procRoot = settings.path() + QStringLiteral("/no-proc");
    sources.sysRoot = settings.path() + QStringLiteral("/no-sys");
    controller = std::make_unique<StatusBarController>(
        std::make_unique<SystemMonitor>(sources), bar, PreferencesDomain::standard(), queue);
    controller->useDetailSource(readings);
    controller->toggle(S::memory);
    EXPECT_FALSE(controller->pendingSection());
    EXPECT_EQ(readings.preparations, 0);
    EXPECT_EQ(controller->popover(S::memory)->content(), nullptr);
}

TEST_F(StatusBarControllerPopoversTest, ThePopoverHangsCentredUnderItsItem)
{
    openShown(S::cpu);
    StatusBarButton* button = item(S::cpu)->button();
    const QRect anchor(button->mapToGlobal(QPoint(0, 0)), button->size());
    const QRect frame = controller->popover(S::cpu)->frame();
    EXPECT_EQ(frame.width(), MonitorPopover::panelWidth);
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect expected(PopoverWindow::placement(anchor, frame.size(), screen->availableGeometry()), frame.size());
    EXPECT_EQ(frame.topLeft(), expected.topLeft());

    // Inside the screen whatever the anchor.
    const QRect area(0, 0, 1000, 800);
    EXPECT_EQ(PopoverWindow::placement(QRect(980, 0, 20, 24), QSize(300, 400), area), QPoint(700, 24));
    EXPECT_EQ(PopoverWindow::placement(QRect(0, 0, 20, 24), QSize(300, 400), area), QPoint(0, 24));
    EXPECT_EQ(PopoverWindow::placement(QRect(400, 0, 100, 24), QSize(300, 400), area), QPoint(300, 24));
}

TEST_F(StatusBarControllerPopoversTest, AnOpeningAtAPointNeedsNoItem)
{
    bar.withButtons = false;
    controller->togglePopover(S::sensors, QPoint(500, 300));
    readings.completePreparations();
    ASSERT_TRUE(shown(S::sensors));
    // Centred under the point (and moved up only as far as the screen makes it).
    EXPECT_EQ(controller->popover(S::sensors)->frame().center().x() / 10, 50);
    EXPECT_LE(controller->popover(S::sensors)->frame().top(), 301);
    controller->togglePopover(S::sensors, QPoint(500, 300));
    EXPECT_FALSE(shown(S::sensors));
}

TEST_F(StatusBarControllerPopoversTest, FittingChoosesTheFirstStepThatFitsElseScrolls)
{
    const auto needs = [](std::array<double, 4> heights) {
        return [heights](const PanelMetrics& metrics) {
            for (size_t i = 0; i < 4; ++i)
                if (metrics == PanelMetrics::steps()[i])
                    return heights[i];
            return 0.0;
        };
    };
    using Fit = StatusBarController::PanelFit;
    EXPECT_EQ(StatusBarController::fittingStep(400, needs({700, 600, 500, 420})),
        (Fit {400, PanelMetrics::steps()[3], 326.0}));
    EXPECT_EQ(StatusBarController::fittingStep(5000, needs({700, 600, 500, 420})),
        (Fit {5000, PanelMetrics::steps()[0], std::nullopt}));
    EXPECT_EQ(StatusBarController::fittingStep(550, needs({700, 600, 500, 420})).metrics, PanelMetrics::steps()[2]);
    // No room even for the chrome, or no number at all: an empty scrolling area, never a negative one.
    EXPECT_EQ(StatusBarController::fittingStep(50, needs({700, 600, 500, 420})).scrollHeight, 0.0);
    EXPECT_EQ(StatusBarController::fittingStep(-10, needs({700, 600, 500, 420})).scrollHeight, 0.0);
    EXPECT_EQ(StatusBarController::fittingStep(std::nan(""), needs({700, 600, 500, 420})).scrollHeight, 0.0);
}

TEST_F(StatusBarControllerPopoversTest, TheBudgetComesFromTheEnvironmentWhenItIsANumber)
{
    {
        ScopedBudget budget("400");
        EXPECT_DOUBLE_EQ(controller->availableHeight(S::cpu), 400);
        openShown(S::cpu);
        const auto fit = controller->panelFit(S::cpu);
        ASSERT_TRUE(fit);
        // The processor panel needs far more than 400 points even at its densest.
        EXPECT_EQ(fit->metrics, PanelMetrics::steps()[3]);
        EXPECT_EQ(fit->scrollHeight, 326.0);
        EXPECT_LE(controller->popover(S::cpu)->frame().height(), 400);
        controller->closePopovers();
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const double screenBudget = screen->availableGeometry().height() - 30.0;
    for (const char* garbage : {"abc", "400px", "nan", "inf", ""}) {
        ScopedBudget budget(garbage);
        EXPECT_DOUBLE_EQ(controller->availableHeight(S::cpu), screenBudget) << garbage;
    }
    ScopedBudget large("100000");
    openShown(S::storage);
    EXPECT_EQ(controller->panelFit(S::storage)->metrics, PanelMetrics::steps()[0]);
    EXPECT_FALSE(controller->panelFit(S::storage)->scrollHeight);
}

TEST_F(StatusBarControllerPopoversTest, AScreenChangeShowsTheOpenPopoverAgainAtItsItem)
{
    // Only an item that is on screen can carry a popover again.
    item(S::memory)->button()->window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(item(S::memory)->button()->window()));
    openShown(S::memory);
    const QWidget* before = controller->popover(S::memory)->content();
    {
        ScopedBudget smaller("300");
        bar.changeScreen();
    }
    EXPECT_TRUE(shown(S::memory));
    EXPECT_NE(controller->popover(S::memory)->content(), before);
    EXPECT_TRUE(readings.open.contains(S::memory));
    EXPECT_DOUBLE_EQ(controller->panelFit(S::memory)->budget, 300);
    EXPECT_EQ(controller->panelFit(S::memory)->scrollHeight, 226.0);

    // An item that is not on screen leaves it closed.
    item(S::memory)->button()->window()->hide();
    bar.changeScreen();
    EXPECT_FALSE(shown(S::memory));
    EXPECT_FALSE(readings.open.contains(S::memory));
}

TEST_F(StatusBarControllerPopoversTest, SettingsInTheFooterClosesThePopover)
{
    openShown(S::cpu);
    auto* panel = qobject_cast<MonitorPopover*>(controller->popover(S::cpu)->content());
    ASSERT_NE(panel, nullptr);
    // Opening the settings app is logged and absorbed when there is none to open.
    panel->settingsButton()->click();
    EXPECT_FALSE(shown(S::cpu));
}

} // namespace
