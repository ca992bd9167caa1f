#include "Vantor/Pages/OtherMachinesSection.h"
#include "Vantor/Pages/SwitchButton.h"

#include "Platform/Prometheus/PrometheusClient.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/Pages/ConnectionTestRow.h"
#include "Vantor/Pages/StorePicker.h"
#include "VantorShared/Machines/MachinesConnection.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeSecretStore.h"
#include "tests/support/IsolatedSettings.h"
#include "tests/support/PrometheusAnswers.h"
#include "tests/support/PrometheusFixtureServer.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace {

namespace Key = SharedSettings::Key;

void type(QLineEdit* field, const QString& text)
{
    field->setText(text);
    emit field->editingFinished();
}

class OtherMachinesSectionTest : public ::testing::Test {
protected:
    void SetUp() override { SharedSettings::registerDefaults(); }

    bool testConnection(OtherMachinesSection& section)
    {
        // A spy, not a connected lambda: a later test's answer must not reach this finished call.
        QSignalSpy finished(section.testRow(), &ConnectionTestRow::finished);
        section.testRow()->testButton()->click();
        return finished.count() > 0 || finished.wait(15000);
    }

    IsolatedSettings isolated;
};

TEST_F(OtherMachinesSectionTest, KeepsTheSecretInTheKeyringUnderTheServersAddress)
{
    auto secrets = std::make_unique<FakeSecretStore>();
    FakeSecretStore* store = secrets.get();
    OtherMachinesSection section(std::move(secrets));
    type(section.serverField(), QStringLiteral(" prometheus.lan:9090 "));
    EXPECT_EQ(SharedSettings::store().stringForKey(Key::machinesServer), "prometheus.lan:9090");
    section.authPicker()->setCurrentIndex(2);
    emit section.authPicker()->activated(2);
    EXPECT_EQ(SharedSettings::store().stringForKey(Key::machinesAuthKind), "bearer");
    type(section.secretField(), QStringLiteral("t0p-secret"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !store->entries.isEmpty(); }, 2000));
    EXPECT_EQ(store->entries.value(MachinesConnection::secretKey(QUrl(QStringLiteral("http://prometheus.lan:9090")))),
        "t0p-secret");
    QFile file(SharedSettings::store().filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains("t0p-secret"));

    // A filter that would not make a query is not stored.
    type(section.filterField(), QStringLiteral("job=\"node\"} or up{"));
    EXPECT_EQ(SharedSettings::store().stringForKey(Key::machinesFilter), "job=\"node\"");
}

TEST_F(OtherMachinesSectionTest, TheExportSwitchChoosesAPortAndTheThresholdsWriteFractions)
{
    OtherMachinesSection section(std::make_unique<FakeSecretStore>());
    EXPECT_FALSE(section.exportSwitch()->isChecked());
    section.exportSwitch()->setChecked(true);
    EXPECT_EQ(SharedSettings::store().integerForKey(Key::metricsExportPort), OtherMachinesSection::defaultExportPort);
    section.exportSwitch()->setChecked(false);
    EXPECT_EQ(SharedSettings::store().integerForKey(Key::metricsExportPort), 0);

    section.threshold(0)->setValue(75);
    EXPECT_DOUBLE_EQ(SharedSettings::store().doubleForKey(Key::machinesCPUThreshold), 0.75);
    section.threshold(3)->setValue(80);
    EXPECT_DOUBLE_EQ(SharedSettings::store().doubleForKey(Key::machinesTemperatureThreshold), 80);
}

TEST_F(OtherMachinesSectionTest, TestConnectionCountsTheMachinesOrSaysWhyNot)
{
    OtherMachinesSection section(std::make_unique<FakeSecretStore>());
    PrometheusFixtureServer fixture;
    fixture.answer(PrometheusAnswers::vector(PrometheusAnswers::machine(QStringLiteral("a"), {{"up", "1"}})
        + PrometheusAnswers::machine(QStringLiteral("b"), {{"up", "0"}})));
    type(section.serverField(), fixture.baseURL().toString());
    ASSERT_TRUE(testConnection(section));
    EXPECT_EQ(section.testRow()->resultText(), "2 machines found");
    fixture.answer("<html/>");
    ASSERT_TRUE(testConnection(section));
    EXPECT_EQ(section.testRow()->resultText(), "This is not a Prometheus server.");
    type(section.serverField(), QStringLiteral("ftp://x"));
    ASSERT_TRUE(testConnection(section));
    EXPECT_EQ(section.testRow()->resultText(), "The address is not an http or https address.");
}

TEST_F(OtherMachinesSectionTest, TestConnectionSendsTheSecretKeptFromAnEarlierVisit)
{
    PrometheusFixtureServer fixture;
    fixture.setHandler([](const PrometheusFixtureServer::Request& request) {
        if (request.headers.value("authorization") != "Bearer kept-token")
            return PrometheusFixtureServer::Reply {401, {}};
        return PrometheusFixtureServer::Reply {
            200, PrometheusAnswers::vector(PrometheusAnswers::machine(QStringLiteral("a"), {{"up", "1"}}))};
    });
    SharedSettings::store().setString(Key::machinesServer, fixture.baseURL().toString());
    SharedSettings::store().setString(Key::machinesAuthKind, QStringLiteral("bearer"));
    auto secrets = std::make_unique<FakeSecretStore>();
    secrets->entries.insert(MachinesConnection::secretKey(fixture.baseURL()), QStringLiteral("kept-token"));
    FakeSecretStore* store = secrets.get();
    // A new window: nothing typed, the token only in the keyring.
    OtherMachinesSection section(std::move(secrets));
    ASSERT_TRUE(QTest::qWaitFor([&] { return store->reads > 0; }, 2000));
    QTest::qWait(10);
    ASSERT_TRUE(testConnection(section));
    EXPECT_EQ(section.testRow()->resultText(), "1 machine found");
}

TEST_F(OtherMachinesSectionTest, ASelfSignedServerIsTrustedByItsFingerprintAfterTheUserSaysSo)
{
    OtherMachinesSection section(std::make_unique<FakeSecretStore>());
    PrometheusFixtureServer fixture(/*tls=*/true);
    fixture.answer(PrometheusAnswers::vector(PrometheusAnswers::machine(QStringLiteral("a"), {{"up", "1"}})));
    type(section.serverField(), fixture.baseURL().toString());
    ASSERT_TRUE(testConnection(section));
    EXPECT_TRUE(section.testRow()->resultText().startsWith("The server's certificate is not trusted."));
    const QString fingerprint = PrometheusClient::fingerprint(PrometheusFixtureServer::certificate());
    EXPECT_EQ(section.testRow()->offeredFingerprint(), fingerprint);
    EXPECT_TRUE(SharedSettings::store().stringForKey(Key::machinesTrustedCertificate).value_or(QString()).isEmpty());

    QSignalSpy finished(section.testRow(), &ConnectionTestRow::finished);
    section.testRow()->trustButton()->click();
    ASSERT_TRUE(finished.count() > 0 || finished.wait(15000));
    EXPECT_EQ(SharedSettings::store().stringForKey(Key::machinesTrustedCertificate), fingerprint);
    EXPECT_EQ(section.testRow()->resultText(), "1 machine found");
}

} // namespace
