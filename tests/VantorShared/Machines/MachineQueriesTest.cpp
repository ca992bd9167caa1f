#include "VantorShared/Machines/MachineQueries.h"

#include "tests/support/PrometheusAnswers.h"

#include <gtest/gtest.h>

namespace {

PrometheusResult parsed(const QList<PrometheusAnswers::Sample>& samples)
{
    return PrometheusResponse::parse(PrometheusAnswers::vector(samples));
}

TEST(MachineQueriesTest, AcceptsOnlyLabelMatchersAsTheFilter)
{
    for (const char* good : {"", "  ", "job=\"node\"", "job=~\"node|edge\", env!=\"test\"", "team !~ 'a\\'b'",
             "instance=\"h:9100\",job=\"node\""})
        EXPECT_TRUE(MachineQueries::isValidFilter(QString::fromLatin1(good))) << good;
    // Each of these would change the query around the filter, or is not a matcher at all.
    for (const char* bad :
        {"job", "job=node", "job==\"node\"", "job=\"node\"} or vector(1) or up{", "job=\"node\",", ",job=\"node\"",
            "job=\"unterminated", "1job=\"x\"", "job=\"a\" env=\"b\"", "job=\"a\\\"", "job=\"line\nbreak\""})
        EXPECT_FALSE(MachineQueries::isValidFilter(QString::fromLatin1(bad))) << bad;
}

TEST(MachineQueriesTest, PutsTheFilterIntoEverySelector)
{
    const QString query = MachineQueries::summary(QStringLiteral("job=\"node\""));
    // Every selector carries the filter: none of the node metrics is asked for without it.
    const qsizetype selectors = query.count(QLatin1Char('{'));
    EXPECT_EQ(query.count(QStringLiteral("job=\"node\"}")), selectors);
    EXPECT_FALSE(MachineQueries::summary({}).contains(QStringLiteral(",}")));
    EXPECT_TRUE(
        MachineQueries::Range::cpu(QString(), QStringLiteral("a\"b")).contains(QStringLiteral("instance=\"a\\\"b\"")));
}

TEST(MachineQueriesTest, GathersEachMachinesPartsFromOneAnswer)
{
    using PrometheusAnswers::machine;
    QList<PrometheusAnswers::Sample> samples;
    samples += machine(QStringLiteral("a:9100"),
        {{"up", "1"}, {"cpu", "0.42"}, {"memory", "0.5"}, {"disk", "1.004"}, {"temperature", "61.5"}, {"load1", "1.25"},
            {"uptime", "3600"}},
        QStringLiteral("alpha"));
    // Down, and what a stale or broken exporter might still give.
    samples += machine(QStringLiteral("b:9100"),
        {{"up", "0"}, {"cpu", "NaN"}, {"memory", "-3"}, {"temperature", "9000"}, {"load1", "+Inf"}, {"uptime", "-5"}});
    // Scraped by two jobs: up when either reaches it.
    samples += machine(QStringLiteral("c:9100"), {{"up", "1"}});
    samples += machine(QStringLiteral("c:9100"), {{"up", "0"}});
    // Node metrics without a target of the filter are not a machine of ours.
    samples += machine(QStringLiteral("stale:9100"), {{"cpu", "0.1"}});
    samples.append({{{QStringLiteral("vantor_part"), QStringLiteral("up")}}, QStringLiteral("1")});

    const QList<MachineStatus> machines = MachineQueries::machinesFromSummary(parsed(samples));
    ASSERT_EQ(machines.size(), 3);
    const MachineStatus& a = machines[0];
    EXPECT_EQ(a.name(), "alpha");
    EXPECT_TRUE(a.up);
    EXPECT_DOUBLE_EQ(*a.cpu, 0.42);
    EXPECT_DOUBLE_EQ(*a.disk, 1.0);
    EXPECT_DOUBLE_EQ(*a.hottestCelsius, 61.5);
    EXPECT_DOUBLE_EQ(*a.load1, 1.25);
    EXPECT_DOUBLE_EQ(*a.uptimeSeconds, 3600);
    const MachineStatus& b = machines[1];
    EXPECT_EQ(b.name(), "b:9100");
    EXPECT_FALSE(b.up);
    EXPECT_FALSE(b.cpu || b.memory || b.disk || b.hottestCelsius || b.load1 || b.uptimeSeconds);
    EXPECT_TRUE(machines[2].up);

    EXPECT_EQ(MachineQueries::countTargets(parsed(machine(QStringLiteral("a"), {{"up", "1"}})
                  + machine(QStringLiteral("b"), {{"up", "0"}}) + machine(QStringLiteral("a"), {{"up", "1"}}))),
        2);
}

} // namespace
