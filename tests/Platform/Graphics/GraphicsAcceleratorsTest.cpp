#include "Platform/Graphics/GraphicsAccelerators.h"
#include "Platform/Graphics/DrmCards.h"
#include "tests/support/FixtureTree.h"

#include <QDir>

#include <gtest/gtest.h>

TEST(GraphicsAcceleratorsTest, ReadsAwakeCardsAndLeavesSleepingOnesAlone)
{
    FixtureTree sys(QStringLiteral("sys-gpu"));
    GraphicsAccelerators accelerators(sys.root(), false);
    const QList<QVariantMap> cards = accelerators.statistics();
    // card0 (amdgpu) and card2 (no figures); card1 sleeps and card0-DP-1 is a connector.
    ASSERT_EQ(cards.size(), 2);
    EXPECT_DOUBLE_EQ(cards[0].value(GraphicsAccelerators::utilizationKey).toDouble(), 0.37);
    EXPECT_DOUBLE_EQ(cards[0].value(GraphicsAccelerators::inUseMemoryKey).toDouble(), 1073741824.0 + 52428800.0);
    EXPECT_TRUE(cards[1].isEmpty());

    // A busy figure of 1 % stays 1 %, not a whole card; garbage is no figure.
    sys.write(QStringLiteral("class/drm/card0/device/gpu_busy_percent"), "1\n");
    sys.write(QStringLiteral("class/drm/card0/device/mem_info_gtt_used"), "lots\n");
    const QList<QVariantMap> again = accelerators.statistics();
    EXPECT_DOUBLE_EQ(again[0].value(GraphicsAccelerators::utilizationKey).toDouble(), 0.01);
    EXPECT_DOUBLE_EQ(again[0].value(GraphicsAccelerators::inUseMemoryKey).toDouble(), 1073741824.0);

    // The card goes to sleep: it is left out, so its last figures are what the caller keeps.
    sys.write(QStringLiteral("class/drm/card0/device/power/runtime_status"), "suspended\n");
    EXPECT_EQ(accelerators.statistics().size(), 1);
    EXPECT_TRUE(GraphicsAccelerators(QStringLiteral("/nonexistent"), false).statistics().isEmpty());
}

TEST(GraphicsAcceleratorsTest, ACardThatComesIsFoundWithinTheRelistingAndOneThatGoesIsDroppedAtOnce)
{
    FixtureTree sys(QStringLiteral("sys-gpu"));
    GraphicsAccelerators accelerators(sys.root(), false);
    ASSERT_EQ(accelerators.statistics().size(), 2);
    sys.write(QStringLiteral("class/drm/card3/device/gpu_busy_percent"), "50\n");
    int calls = 1;
    while (accelerators.statistics().size() == 2 && calls <= GraphicsAccelerators::relistEvery)
        ++calls;
    EXPECT_LE(calls, GraphicsAccelerators::relistEvery);
    const QList<QVariantMap> withNew = accelerators.statistics();
    ASSERT_EQ(withNew.size(), 3);
    EXPECT_DOUBLE_EQ(withNew[2].value(GraphicsAccelerators::utilizationKey).toDouble(), 0.5);

    // card2 reports no figures; once its folder is gone it is no card at all.
    ASSERT_TRUE(QDir(sys.root() + QStringLiteral("/class/drm/card2")).removeRecursively());
    EXPECT_EQ(accelerators.statistics().size(), 2);
    EXPECT_EQ(accelerators.statistics().size(), 2);
}

TEST(GraphicsAcceleratorsTest, ParsesAttributeValues)
{
    EXPECT_EQ(DrmCards::parseValue("37\n"), 37u);
    EXPECT_FALSE(DrmCards::parseValue(""));
    EXPECT_FALSE(DrmCards::parseValue("-1\n"));
    EXPECT_FALSE(DrmCards::parseValue("12 kB\n"));
    EXPECT_EQ(DrmCards::parseHex("0x10de\n"), 0x10deu);
    EXPECT_FALSE(DrmCards::parseHex("0x\n"));
    EXPECT_TRUE(DrmCards::isSuspended("suspended\n"));
    EXPECT_TRUE(DrmCards::isSuspended("suspending"));
    EXPECT_FALSE(DrmCards::isSuspended("active\n"));
    EXPECT_FALSE(DrmCards::isSuspended("unsupported\n"));
}
