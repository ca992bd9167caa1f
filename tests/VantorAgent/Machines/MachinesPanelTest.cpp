// The machines panel as a user goes through it: a click on a machine opens its own panel over the
// last hour, a query the server refuses is said in words, and "Machines" leads back to the list.
#include "VantorAgent/Machines/MachinesPanel.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/Machines/MachineDetailView.h"
#include "VantorAgent/Machines/MachineRow.h"
#include "VantorAgent/Machines/MachinesMonitor.h"
#include "VantorShared/Machines/MachineQueries.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeSecretStore.h"
#include "tests/support/IsolatedSettings.h"
#include "tests/support/PrometheusAnswers.h"
#include "tests/support/PrometheusFixtureServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// A range answer: each series with its labels and values, thirty seconds apart.
QByteArray matrix(const QList<std::pair<QMap<QString, QString>, QList<double>>>& all)
{
    QJsonArray result;
    for (const auto& [labels, values] : all) {
        QJsonObject metric;
        for (auto it = labels.begin(); it != labels.end(); ++it)
            metric.insert(it.key(), it.value());
        QJsonArray points;
        double time = 1700000000;
        for (double value : values)
            points.append(QJsonArray {time += 30, QString::number(value)});
        result.append(QJsonObject {{QStringLiteral("metric"), metric}, {QStringLiteral("values"), points}});
    }
    const QJsonObject data {
        {QStringLiteral("resultType"), QStringLiteral("matrix")}, {QStringLiteral("result"), result}};
    return QJsonDocument(
        QJsonObject {{QStringLiteral("status"), QStringLiteral("success")}, {QStringLiteral("data"), data}})
        .toJson(QJsonDocument::Compact);
}

QStringList visibleTexts(const QWidget& widget)
{
    QStringList texts;
    for (const QLabel* label : widget.findChildren<QLabel*>())
        if (label->isVisibleTo(&widget) && !label->text().isEmpty())
            texts.append(label->text());
    return texts;
}

TEST(MachinesPanelTest, AMachinesOwnPanelOpensShowsItsHourAndLeadsBack)
{
    IsolatedSettings isolated;
    SharedSettings::registerDefaults();
    const QString instance = QStringLiteral("a:9100");
    FakeSecretStore secrets;
    MachinesMonitor monitor(secrets);
    bool refuseFans = true;

    PrometheusFixtureServer fixture;
    fixture.setHandler([&](const PrometheusFixtureServer::Request& request) -> PrometheusFixtureServer::Reply {
        if (!request.path.endsWith(QLatin1String("query_range")))
            return {200,
                PrometheusAnswers::vector(
                    PrometheusAnswers::machine(instance, {{"up", "1"}, {"cpu", "0.4"}}, QStringLiteral("alpha")))};
        const QString query = request.query.queryItemValue(QStringLiteral("query"), QUrl::FullyDecoded);
        const QString& filter = monitor.filter();
        using namespace MachineQueries::Range;
        if (query == cpu(filter, instance))
            return {200, matrix({{{}, {0.2, 0.3, 0.45}}})};
        if (query == coreUsage(filter, instance))
            return {200,
                matrix({{{{QStringLiteral("cpu"), QStringLiteral("1")}}, {0.6}},
                    {{{QStringLiteral("cpu"), QStringLiteral("0")}}, {0.3}}})};
        if (query == load(filter, instance))
            return {200, matrix({{{{QStringLiteral("__name__"), QStringLiteral("node_load1")}}, {0.5, 1.25}}})};
        if (query == memory(filter, instance))
            return {200,
                matrix({{{{QStringLiteral("__name__"), QStringLiteral("node_memory_MemTotal_bytes")}}, {8e9}},
                    {{{QStringLiteral("__name__"), QStringLiteral("node_memory_MemAvailable_bytes")}}, {2e9}}})};
        if (query == storage(filter, instance))
            return {200,
                matrix({{{{QStringLiteral("__name__"), QStringLiteral("node_filesystem_size_bytes")}}, {100e9}},
                    {{{QStringLiteral("__name__"), QStringLiteral("node_filesystem_avail_bytes")}}, {25e9}}})};
        if (query == temperatures(filter, instance))
            return {200, matrix({{{{QStringLiteral("label"), QStringLiteral("Package id 0")}}, {48}}})};
        if (query == fans(filter, instance) && refuseFans)
            return {400, PrometheusAnswers::error(QStringLiteral("bad_data"), QStringLiteral("no fans here"))};
        return {200, matrix({})};
    });
    SharedSettings::store().setString(SharedSettings::Key::machinesServer, fixture.baseURL().toString());
    monitor.applySettings();
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.hasAnswered(); }, 10000));

    MachinesPanel panel(monitor, 600);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    ASSERT_EQ(panel.rows().size(), 1);
    const int listHeight = panel.height();

    QTest::mouseClick(panel.rows()[0], Qt::LeftButton);
    MachineDetailView* detail = panel.detailView();
    ASSERT_NE(detail, nullptr);
    QSignalSpy loaded(detail, &MachineDetailView::loaded);
    ASSERT_TRUE(loaded.wait(10000));
    const MachineHistory& h = detail->history();
    EXPECT_EQ(h.cpu, (QList<double> {0.2, 0.3, 0.45}));
    EXPECT_EQ(h.coreUsages, (QList<double> {0.3, 0.6}));
    EXPECT_EQ(h.load1, (QList<double> {0.5, 1.25}));
    ASSERT_TRUE(h.memory);
    EXPECT_DOUBLE_EQ(h.memory->used(), 6e9);
    ASSERT_TRUE(h.storage);
    EXPECT_DOUBLE_EQ(h.storage->available, 25e9);
    ASSERT_EQ(h.temperatures.size(), 1);
    EXPECT_TRUE(h.fans.isEmpty());
    // The machine's own panel is taller than a one-row list, and says which query failed and why
    // while showing all the others.
    EXPECT_GT(panel.height(), listHeight);
    const QStringList texts = visibleTexts(panel);
    EXPECT_TRUE(texts.contains(QStringLiteral("The server refused the query: bad_data: no fans here")))
        << texts.join(u'|').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("alpha")) || texts.contains(instance)) << texts.join(u'|').toStdString();

    // Asked again, the error goes once every query is answered.
    refuseFans = false;
    detail->reload();
    ASSERT_TRUE(loaded.wait(10000));
    EXPECT_FALSE(visibleTexts(panel).join(u'|').contains(QStringLiteral("refused")));

    // Back to the list.
    auto* back = detail->findChild<QToolButton*>();
    ASSERT_NE(back, nullptr);
    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_EQ(panel.detailView(), nullptr);
    ASSERT_EQ(panel.rows().size(), 1);
    EXPECT_TRUE(panel.rows()[0]->isVisibleTo(&panel));
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel.height() == listHeight; }, 2000));
}

} // namespace
