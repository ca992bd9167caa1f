#include "VantorShared/System/CoreTopology.h"
#include "Platform/Kernel/CpuTopologySource.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

QString fixture(const char* name)
{
    return QStringLiteral(VANTOR_TEST_DATA "/topology/") + QLatin1String(name);
}

QString tagged(const QString& name)
{
    return QLatin1Char('<') + name + QLatin1Char('>');
}

} // namespace

TEST(CoreTopology, TiersFromSysfs)
{
    const QList<CoreTier> hybrid = CoreTopology::readTiers(fixture("hybrid"));
    EXPECT_EQ(hybrid, (QList<CoreTier> {{QStringLiteral("Performance"), 12}, {QStringLiteral("Efficiency"), 8}}));
    EXPECT_EQ(CoreTopology::totalCores(hybrid, 99), 20);
    EXPECT_EQ(CoreTopology::summary(hybrid, 99, tagged), QStringLiteral("12 <Performance> + 8 <Efficiency>"));

    // Fastest first, whatever the CPU numbering.
    EXPECT_EQ(CoreTopology::readTiers(fixture("arm-two")),
        (QList<CoreTier> {{QStringLiteral("Performance"), 4}, {QStringLiteral("Efficiency"), 4}}));

    // Three capacities are numbered; an offline CPU does not count.
    const QList<CoreTier> three = CoreTopology::readTiers(fixture("arm-three"));
    EXPECT_EQ(three,
        (QList<CoreTier> {
            {QStringLiteral("Level 0"), 1}, {QStringLiteral("Level 1"), 3}, {QStringLiteral("Level 2"), 4}}));
    EXPECT_EQ(CoreTopology::totalCores(three, 99), 8);
}

TEST(CoreTopology, NoTiers)
{
    // Equal capacities are one kind of core, not a hierarchy.
    EXPECT_TRUE(CoreTopology::readTiers(fixture("none")).isEmpty());
    EXPECT_EQ(CpuTopologySource::onlineProcessors(fixture("none")), 4);
    EXPECT_TRUE(CoreTopology::readTiers(fixture("garbage")).isEmpty());
    EXPECT_FALSE(CpuTopologySource::onlineProcessors(fixture("garbage")));
    EXPECT_TRUE(CoreTopology::readTiers(QStringLiteral("/nonexistent")).isEmpty());

    EXPECT_EQ(CoreTopology::totalCores({}, 6), 6);
    EXPECT_EQ(CoreTopology::summary({}, 6, tagged), QStringLiteral("6"));
}

TEST(CoreTopology, CpuLists)
{
    EXPECT_EQ(CpuTopologySource::countInCpuList(QStringLiteral("0-3,8,10-11\n")), 7);
    EXPECT_EQ(CpuTopologySource::countInCpuList(QStringLiteral("0-3,2-5")), 6);
    EXPECT_EQ(CpuTopologySource::countInCpuList(QString()), 0);
    for (const char* bad : {"3-1", "a", "1,,2", "-1", "0-", "0-999999999", "1 2"})
        EXPECT_FALSE(CpuTopologySource::countInCpuList(QLatin1String(bad))) << bad;
}

TEST(CoreTopology, ThisMachineIsConsistentAcrossThreads)
{
    const QList<CoreTier>* seen[2] {};
    std::thread other([&] { seen[1] = &CoreTopology::tiers(); });
    seen[0] = &CoreTopology::tiers();
    other.join();
    EXPECT_EQ(seen[0], seen[1]);

    EXPECT_GE(CoreTopology::totalCores(), 1);
    if (CoreTopology::tiers().isEmpty()) {
        EXPECT_EQ(CoreTopology::fastestTierCount(), 0);
        EXPECT_EQ(CoreTopology::fastestTierName(), QStringLiteral("Performance"));
        EXPECT_EQ(CoreTopology::summary(tagged), QString::number(CoreTopology::totalCores()));
    } else {
        EXPECT_EQ(CoreTopology::fastestTierCount(), CoreTopology::tiers().first().count);
    }
}
