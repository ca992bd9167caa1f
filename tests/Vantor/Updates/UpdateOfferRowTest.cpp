#include "Vantor/Updates/UpdateOfferRow.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FixtureBundle.h"
#include "tests/support/IsolatedSettings.h"

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

namespace Key = SharedSettings::Key;

class UpdateOfferRowTest : public ::testing::Test {
protected:
    UpdateOfferRowTest()
        : bundle(FixtureBundle::write(dir.filePath(QStringLiteral("Vantor.app")),
            {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.quillon.vantor")},
                {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.5")},
                {QStringLiteral("CFBundleVersion"), QStringLiteral("30")}}))
        , mainBundle(bundle)
    {
        // The row sits in a sidebar column between other rows.
        auto* layout = new QVBoxLayout(&sidebar);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        row = new UpdateOfferRow(&sidebar);
        layout->addWidget(row);
        layout->addStretch();
        sidebar.resize(220, 400);
    }

    void publish(const std::optional<QString>& offer)
    {
        if (offer)
            SharedSettings::store().setString(Key::updatesAvailable, *offer);
        else
            SharedSettings::store().removeObjectForKey(Key::updatesAvailable);
        SharedSettings::post(SharedSettings::Signal::updateAvailable);
    }
    void showSidebar()
    {
        sidebar.show();
        QCoreApplication::processEvents();
    }

    IsolatedSettings settings;
    QTemporaryDir dir;
    QString bundle;
    ScopedMainBundle mainBundle;
    QWidget sidebar;
    UpdateOfferRow* row = nullptr;
};

} // namespace

TEST_F(UpdateOfferRowTest, ShowsOnlyOffersNewerThanThisApp)
{
    SharedSettings::store().setString(Key::updatesAvailable, QStringLiteral("1.6 (31)"));
    showSidebar();
    // The first read happens once the row is on screen.
    ASSERT_TRUE(QTest::qWaitFor([&] { return row->offer().has_value(); }, 1000));
    EXPECT_EQ(row->offer(), QStringLiteral("1.6 (31)"));
    EXPECT_EQ(row->offerLabel()->text(), QStringLiteral("1.6 (31)"));
    EXPECT_GE(row->height(), 52);

    for (const QString& spent : {QStringLiteral("1.5 (30)"), QStringLiteral("1.4 (29)")}) {
        publish(spent);
        EXPECT_FALSE(row->offer()) << spent.toStdString();
    }
    publish(QStringLiteral("1.7 (32)"));
    EXPECT_EQ(row->offer(), QStringLiteral("1.7 (32)"));
    // Removing the offer hides the row at once, and it takes no space.
    publish(std::nullopt);
    EXPECT_FALSE(row->offer());
    sidebar.layout()->activate();
    EXPECT_EQ(row->sizeHint().height(), 0);
    EXPECT_EQ(row->height(), 0);
    // The row never writes the store.
    EXPECT_FALSE(SharedSettings::store().persistentKeys().contains(Key::updaterCanCheck));
}

TEST_F(UpdateOfferRowTest, InstallAsksTheAgentAndNothingElse)
{
    publish(QStringLiteral("1.6 (31)"));
    showSidebar();
    ASSERT_TRUE(QTest::qWaitFor([&] { return row->offer().has_value(); }, 1000));
    settings.transport.posted.clear();
    const QStringList before = SharedSettings::store().persistentKeys();
    QTest::mouseClick(row->installButton(), Qt::LeftButton);
    EXPECT_EQ(settings.transport.posted, QStringList {SharedSettings::name(SharedSettings::Signal::checkForUpdates)});
    EXPECT_EQ(SharedSettings::store().persistentKeys(), before);
    EXPECT_EQ(row->offer(), QStringLiteral("1.6 (31)"));
}

TEST_F(UpdateOfferRowTest, AnOfferWithoutBuildNumberIsSpentOnlyByTheSameName)
{
    showSidebar();
    publish(QStringLiteral("1.5 (30)"));
    EXPECT_FALSE(row->offer());
    publish(QStringLiteral("1.5"));
    EXPECT_EQ(row->offer(), QStringLiteral("1.5"));
}

TEST(UpdateOfferRowNote, NamesWhoUpdatesAnInstallationThatCannotUpdateItself)
{
    IsolatedSettings settings;
    QTemporaryDir dir;
    const QString own = FixtureBundle::write(dir.filePath(QStringLiteral("Vantor.app")), {});
    // A copy of root's is the administrator's to update, even when root runs it.
    EXPECT_EQ(UpdateOfferRow::installationNote(own).isEmpty(), ::geteuid() != 0);
    EXPECT_FALSE(UpdateOfferRow::installationNote(QStringLiteral("/usr/lib/vantor/Vantor.app")).isEmpty());
}
