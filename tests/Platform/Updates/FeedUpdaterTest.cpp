#include "Platform/Updates/FeedUpdater.h"
#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/Updates/Appcast.h"
#include "Platform/Updates/BundleInstaller.h"
#include "Platform/Updates/InstallationLock.h"
#include "Platform/Updates/UpdateSignature.h"
#include "tests/support/FakeUpdateUserDriver.h"
#include "tests/support/FixtureBundle.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/TestArchive.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

const QString kIdentifier = QStringLiteral("com.quillon.vantor");
const QString kAgent = QStringLiteral("Contents/Library/LoginItems/VantorAgent.app");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Tests that run as root make copies owned by root, which never update themselves; another
// account stands in as the administrator so that they count as a user's own.
uid_t administratorForTests()
{
    if (::geteuid() != 0)
        return 0;
    uid_t uid = 54321;
    while (::getpwuid(uid))
        ++uid;
    return uid;
}

void makeExecutable(const QString& path, const QByteArray& contents)
{
    FixtureBundle::writeFile(path, contents);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Records the delegate calls in order.
class RecordingDelegate : public UpdaterDelegate {
public:
    void didFindValidUpdate(const AppcastItem& item) override
    {
        calls.append(QStringLiteral("found ") + item.versionString);
    }
    void didNotFindUpdate(const UpdateError&) override { calls.append(QStringLiteral("none")); }
    void userDidMakeChoice(UpdateChoice choice, const AppcastItem&) override
    {
        calls.append(choice == UpdateChoice::install ? QStringLiteral("install")
                : choice == UpdateChoice::skip       ? QStringLiteral("skip")
                                                     : QStringLiteral("later"));
    }
    void didAbortWithError(const UpdateError& error) override
    {
        calls.append(QStringLiteral("aborted"));
        aborted = error;
    }
    void willDownloadUpdate(const AppcastItem&) override { calls.append(QStringLiteral("download")); }
    void didFinishUpdateCycle(const std::optional<UpdateError>&) override
    {
        calls.append(QStringLiteral("finished"));
        ++cycles;
    }
    void willInstallUpdate(const AppcastItem&) override { calls.append(QStringLiteral("will install")); }

    QStringList calls;
    std::optional<UpdateError> aborted;
    int cycles = 0;
};

class FeedUpdaterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        keys = UpdateSignature::generateKeyPair();
        host = dir.filePath(QStringLiteral("install/Vantor.app"));
        writeApp(host, QStringLiteral("27"),
            {{QStringLiteral("SUFeedURL"), server.url(QStringLiteral("/appcast.xml")).toString()},
                {QStringLiteral("SUPublicEDKey"), QString::fromLatin1(keys.publicKey.toBase64())}});
        preferences = PreferencesDomain::open(
            QStringLiteral("com.quillon.vantor.agent"), dir.filePath(QStringLiteral("config")));
    }

    static void writeApp(const QString& path, const QString& build, QMap<QString, QString> extra = {},
        const QString& identifier = kIdentifier)
    {
        extra.insert(QStringLiteral("CFBundleIdentifier"), identifier);
        extra.insert(QStringLiteral("CFBundleExecutable"), QStringLiteral("Vantor"));
        extra.insert(QStringLiteral("CFBundleVersion"), build);
        extra.insert(QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.%1").arg(build));
        FixtureBundle::write(path, extra);
        makeExecutable(path + QStringLiteral("/Contents/MacOS/Vantor"), "#!/bin/sh\necho " + build.toLatin1() + "\n");
        FixtureBundle::write(path + QLatin1Char('/') + kAgent,
            {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.quillon.vantor.agent")},
                {QStringLiteral("CFBundleExecutable"), QStringLiteral("VantorAgent")}});
        makeExecutable(path + QLatin1Char('/') + kAgent + QStringLiteral("/Contents/MacOS/VantorAgent"), "#!/bin/sh\n");
    }

    // The archive of a release bundle with this build.
    QByteArray releaseArchive(const QString& build, const QString& identifier = kIdentifier)
    {
        const QString folder = dir.filePath(QStringLiteral("release-%1-%2/Vantor.app").arg(build, identifier));
        writeApp(folder, build, {}, identifier);
        const QString archive = folder + QStringLiteral(".tar.gz");
        EXPECT_TRUE(TestArchive::writeTree(archive, folder));
        return readAll(archive);
    }

    struct Release {
        QString build;
        QByteArray archive;
        QByteArray signature; // base64; empty: none in the feed
        qint64 length = -1; // -1: the archive's length
    };

    // Serves the feed and the archives of `releases`.
    void publish(const QList<Release>& releases)
    {
        QByteArray feed
            = "<?xml version=\"1.0\"?>\n<rss version=\"2.0\" xmlns:update=\"urn:quillon:update\"><channel>\n";
        for (const Release& release : releases) {
            const QString path = QStringLiteral("/Vantor-%1.tar.gz").arg(release.build);
            server.serve(path, release.archive);
            feed += "<item><title>Vantor</title><update:version>" + release.build.toLatin1()
                + "</update:version><update:shortVersionString>1." + release.build.toLatin1()
                + "</update:shortVersionString><enclosure url=\"" + server.url(path).toEncoded() + "\" length=\""
                + QByteArray::number(release.length < 0 ? release.archive.size() : release.length) + "\""
                + (release.signature.isEmpty() ? QByteArray() : " update:edSignature=\"" + release.signature + "\"")
                + "/></item>\n";
        }
        feed += "</channel></rss>\n";
        server.serve(QStringLiteral("/appcast.xml"), feed);
        feedText = feed;
    }

    QByteArray sign(const QByteArray& data) const { return UpdateSignature::sign(data, keys.secretKey).toBase64(); }

    std::unique_ptr<FeedUpdater> makeUpdater(FeedUpdater::Options options = {})
    {
        options.relaunch = [this](const QString& executable) { relaunched.append(executable); };
        options.installationPaths.systemPrefixes = {};
        options.installationPaths.administrator = administratorForTests();
        auto updater = std::make_unique<FeedUpdater>(
            host, host + QLatin1Char('/') + kAgent, &driver, &delegate, *preferences, std::move(options));
        return updater;
    }

    // The default suits the small fixture bundles; a copy of the built app is far larger (much more so
    // in a sanitizer build) and is given longer to download, check and unpack.
    bool waitForCycles(int count, int milliseconds = 15000)
    {
        return QTest::qWaitFor([&] { return delegate.cycles >= count; }, milliseconds);
    }
    QString installedBuild() const
    {
        const auto bundle = Bundle::open(host);
        return bundle ? bundle->infoValue(QStringLiteral("CFBundleVersion")).toString() : QString();
    }
    // What lies beside the installation, apart from its lock file, which stays.
    QStringList leftovers() const
    {
        QStringList entries
            = QDir(QFileInfo(host).path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        entries.removeAll(QFileInfo(InstallationLock::pathFor(host)).fileName());
        return entries;
    }

    QTemporaryDir dir;
    LoopbackHttpServer server;
    // The feed publish() serves last.
    QByteArray feedText;
    UpdateSignature::KeyPair keys;
    QString host;
    std::unique_ptr<PreferencesDomain> preferences;
    FakeUpdateUserDriver driver;
    RecordingDelegate delegate;
    QStringList relaunched;
};

} // namespace

TEST_F(FeedUpdaterTest, InstallsTheNewestSignedReleaseAndRelaunchesFromIt)
{
    const QByteArray release28 = releaseArchive(QStringLiteral("28"));
    const QByteArray release26 = releaseArchive(QStringLiteral("26"));
    // 29 is newer but unsigned, so it is not offered.
    publish({{QStringLiteral("26"), release26, sign(release26)}, {QStringLiteral("29"), release28, {}},
        {QStringLiteral("28"), release28, sign(release28)}});

    auto updater = makeUpdater();
    QList<bool> canCheck;
    QObject::connect(updater.get(), &Updater::canCheckForUpdatesChanged, [&](bool value) { canCheck.append(value); });
    ASSERT_EQ(updater->start(), std::nullopt);
    EXPECT_TRUE(updater->canCheckForUpdates());
    updater->checkForUpdates();
    EXPECT_FALSE(updater->canCheckForUpdates());
    // A check while one runs is ignored.
    updater->checkForUpdates();
    ASSERT_TRUE(waitForCycles(1));

    EXPECT_EQ(delegate.calls,
        QStringList({QStringLiteral("found 28"), QStringLiteral("install"), QStringLiteral("download"),
            QStringLiteral("will install"), QStringLiteral("finished")}));
    EXPECT_EQ(driver.shown,
        QStringList({QStringLiteral("checking"), QStringLiteral("offer 1.28 over 1.27"), QStringLiteral("downloading"),
            QStringLiteral("installing"), QStringLiteral("dismissed")}));
    EXPECT_EQ(server.requests(QStringLiteral("/appcast.xml")), 1);
    EXPECT_EQ(installedBuild(), QStringLiteral("28"));
    EXPECT_EQ(readAll(host + QStringLiteral("/Contents/MacOS/Vantor")), "#!/bin/sh\necho 28\n");
    EXPECT_EQ(
        relaunched, QStringList {host + QLatin1Char('/') + kAgent + QStringLiteral("/Contents/MacOS/VantorAgent")});
    // Nothing is left beside the installation: the old bundle went with the staging folder.
    EXPECT_EQ(leftovers(), QStringList {QStringLiteral("Vantor.app")});
    EXPECT_EQ(canCheck, QList<bool>({true, false, true}));
}

TEST_F(FeedUpdaterTest, ArchivesThatFailTheirChecksNeverInstall)
{
    const QByteArray release = releaseArchive(QStringLiteral("28"));
    QByteArray tampered = release;
    tampered[tampered.size() / 2] = char(tampered[tampered.size() / 2] ^ 0x20);
    const auto otherKey = UpdateSignature::generateKeyPair();
    const QByteArray older = releaseArchive(QStringLiteral("20"));
    const QByteArray foreign = releaseArchive(QStringLiteral("30"), QStringLiteral("com.example.other"));

    struct Case {
        const char* name;
        Release release;
        UpdateError::Kind kind;
    };
    const QList<Case> cases {
        {"tampered", {QStringLiteral("28"), tampered, sign(release)}, UpdateError::Kind::signature},
        {"wrong key", {QStringLiteral("28"), release, UpdateSignature::sign(release, otherKey.secretKey).toBase64()},
            UpdateError::Kind::signature},
        {"longer than announced", {QStringLiteral("28"), release, sign(release), release.size() - 10},
            UpdateError::Kind::signature},
        {"shorter than announced", {QStringLiteral("28"), release, sign(release), release.size() + 10},
            UpdateError::Kind::signature},
        // The feed claims a newer build; the bundle inside is older.
        {"downgrade", {QStringLiteral("28"), older, sign(older)}, UpdateError::Kind::install},
        {"other app", {QStringLiteral("28"), foreign, sign(foreign)}, UpdateError::Kind::install},
        {"not an archive", {QStringLiteral("28"), QByteArray(4000, 'z'), sign(QByteArray(4000, 'z'))},
            UpdateError::Kind::install},
    };
    auto updater = makeUpdater();
    ASSERT_EQ(updater->start(), std::nullopt);
    int cycle = 0;
    for (const Case& c : cases) {
        publish({c.release});
        updater->checkForUpdates();
        ASSERT_TRUE(waitForCycles(++cycle)) << c.name;
        ASSERT_TRUE(delegate.aborted) << c.name;
        EXPECT_EQ(delegate.aborted->kind, c.kind) << c.name << ": " << delegate.aborted->description.toStdString();
        EXPECT_EQ(driver.shown.last(), QStringLiteral("error")) << c.name;
        EXPECT_EQ(installedBuild(), QStringLiteral("27")) << c.name;
        EXPECT_EQ(leftovers(), QStringList {QStringLiteral("Vantor.app")}) << c.name;
        EXPECT_TRUE(relaunched.isEmpty()) << c.name;
        delegate.aborted.reset();
    }
}

TEST_F(FeedUpdaterTest, ABrokenDownloadLeavesTheOldInstallationWorking)
{
    const QByteArray release = releaseArchive(QStringLiteral("28"));
    publish({{QStringLiteral("28"), release, sign(release)}});
    server.serve(QStringLiteral("/Vantor-28.tar.gz"), release, release.size() / 2);
    // A staging folder from an install that died earlier is cleared when the updater starts.
    QDir().mkpath(
        QFileInfo(host).path() + QLatin1Char('/') + BundleInstaller::stagingPrefix(host) + QStringLiteral("dead"));

    auto updater = makeUpdater();
    ASSERT_EQ(updater->start(), std::nullopt);
    EXPECT_EQ(leftovers(), QStringList {QStringLiteral("Vantor.app")});
    updater->checkForUpdates();
    ASSERT_TRUE(waitForCycles(1));
    ASSERT_TRUE(delegate.aborted);
    EXPECT_EQ(installedBuild(), QStringLiteral("27"));
    EXPECT_TRUE(QFileInfo(host + QStringLiteral("/Contents/MacOS/Vantor")).isExecutable());
    EXPECT_EQ(leftovers(), QStringList {QStringLiteral("Vantor.app")});
}

TEST_F(FeedUpdaterTest, ChoicesAndUpToDate)
{
    const QByteArray release = releaseArchive(QStringLiteral("28"));
    publish({{QStringLiteral("28"), release, sign(release)}});
    auto updater = makeUpdater();
    ASSERT_EQ(updater->start(), std::nullopt);

    driver.answer = UpdateChoice::dismiss;
    updater->checkForUpdates();
    ASSERT_TRUE(waitForCycles(1));
    EXPECT_EQ(
        delegate.calls, QStringList({QStringLiteral("found 28"), QStringLiteral("later"), QStringLiteral("finished")}));

    // A skipped version is remembered: the schedule no longer reports it, the user still can.
    driver.answer = UpdateChoice::skip;
    updater->checkForUpdates();
    ASSERT_TRUE(waitForCycles(2));
    EXPECT_EQ(preferences->stringForKey(FeedUpdater::skippedVersionKey), QStringLiteral("28"));
    delegate.calls.clear();
    updater->checkInBackground();
    ASSERT_TRUE(waitForCycles(3));
    EXPECT_EQ(delegate.calls, QStringList({QStringLiteral("none"), QStringLiteral("finished")}));
    EXPECT_EQ(installedBuild(), QStringLiteral("27"));

    // Only older releases: up to date, and the user is told so.
    const QByteArray old = releaseArchive(QStringLiteral("20"));
    publish({{QStringLiteral("20"), old, sign(old)}});
    delegate.calls.clear();
    updater->checkForUpdates();
    ASSERT_TRUE(waitForCycles(4));
    EXPECT_EQ(delegate.calls, QStringList({QStringLiteral("none"), QStringLiteral("finished")}));
    EXPECT_EQ(driver.shown.last(), QStringLiteral("up to date 1.27"));
}

TEST_F(FeedUpdaterTest, FeedsThatCannotBeReadAreErrors)
{
    auto updater = makeUpdater();
    ASSERT_EQ(updater->start(), std::nullopt);
    // Nothing served: 404.
    updater->checkForUpdates();
    ASSERT_TRUE(waitForCycles(1));
    ASSERT_TRUE(delegate.aborted);
    EXPECT_EQ(delegate.aborted->kind, UpdateError::Kind::feed);

    server.serve(QStringLiteral("/appcast.xml"), "<rss><channel><item>");
    delegate.aborted.reset();
    updater->checkForUpdates();
    ASSERT_TRUE(waitForCycles(2));
    ASSERT_TRUE(delegate.aborted);
    EXPECT_EQ(delegate.aborted->kind, UpdateError::Kind::feed);
    EXPECT_EQ(driver.errors.size(), 2);
}

TEST_F(FeedUpdaterTest, ScheduledChecksFollowTheAutomaticFlagAndShowNothing)
{
    const QByteArray release = releaseArchive(QStringLiteral("28"));
    publish({{QStringLiteral("28"), release, sign(release)}});
    FeedUpdater::Options options;
    options.firstCheckDelay = 20ms;
    options.checkInterval = 1h;
    auto updater = makeUpdater(options);
    ASSERT_EQ(updater->start(), std::nullopt);
    EXPECT_FALSE(updater->automaticallyChecksForUpdates());
    EXPECT_FALSE(updater->nextScheduledCheck());

    updater->setAutomaticallyChecksForUpdates(true);
    EXPECT_EQ(preferences->objectForKey(FeedUpdater::automaticChecksKey), QVariant(true));
    ASSERT_TRUE(waitForCycles(1));
    EXPECT_EQ(delegate.calls, QStringList({QStringLiteral("found 28"), QStringLiteral("finished")}));
    EXPECT_TRUE(driver.shown.isEmpty());
    EXPECT_EQ(installedBuild(), QStringLiteral("27"));
    // The next check is one interval after this one (a coarse timer may add a little).
    const auto next = updater->nextScheduledCheck();
    ASSERT_TRUE(next);
    EXPECT_GT(*next, 59min);
    EXPECT_LT(*next, 61min);

    updater->setAutomaticallyChecksForUpdates(false);
    EXPECT_FALSE(updater->nextScheduledCheck());

    // A later start remembers both the flag and the time of the last check.
    updater->setAutomaticallyChecksForUpdates(true);
    preferences->setInteger(FeedUpdater::lastCheckTimeKey, QDateTime::currentSecsSinceEpoch() - 30 * 60);
    auto again = makeUpdater(options);
    ASSERT_EQ(again->start(), std::nullopt);
    const auto resumed = again->nextScheduledCheck();
    ASSERT_TRUE(resumed);
    EXPECT_GT(*resumed, 29min);
    EXPECT_LT(*resumed, 31min);
}

TEST_F(FeedUpdaterTest, StartFailsWithoutFeedOrKeyOrOnAPackagedCopy)
{
    const QString publicKey = QString::fromLatin1(keys.publicKey.toBase64());
    const QList<QPair<QMap<QString, QString>, const char*>> broken {
        {{{QStringLiteral("SUPublicEDKey"), publicKey}}, "no feed"},
        {{{QStringLiteral("SUFeedURL"), QStringLiteral("ftp://example.org/a.xml")},
             {QStringLiteral("SUPublicEDKey"), publicKey}},
            "ftp feed"},
        {{{QStringLiteral("SUFeedURL"), QStringLiteral("http://example.org/a.xml")},
             {QStringLiteral("SUPublicEDKey"), publicKey}},
            "http feed"},
        {{{QStringLiteral("SUFeedURL"), QStringLiteral("file://example.org/a.xml")},
             {QStringLiteral("SUPublicEDKey"), publicKey}},
            "file feed on another host"},
        {{{QStringLiteral("SUFeedURL"), QStringLiteral("https://example.org/a.xml")},
             {QStringLiteral("SUPublicEDKey"), QStringLiteral("short")}},
            "bad key"},
    };
    for (const auto& [info, name] : broken) {
        writeApp(host, QStringLiteral("27"), info);
        auto updater = makeUpdater();
        const auto error = updater->start();
        ASSERT_TRUE(error) << name;
        EXPECT_EQ(error->kind, UpdateError::Kind::configuration) << name;
        EXPECT_FALSE(updater->canCheckForUpdates()) << name;
    }

    writeApp(host, QStringLiteral("27"),
        {{QStringLiteral("SUFeedURL"), QStringLiteral("https://example.org/a.xml")},
            {QStringLiteral("SUPublicEDKey"), publicKey}});
    FixtureBundle::writeFile(dir.filePath(QStringLiteral("dpkg/vantor.list")), QFile::encodeName(host) + "\n");
    FeedUpdater::Options packaged;
    packaged.packageName = QStringLiteral("vantor");
    packaged.installationPaths.dpkgInfo = dir.filePath(QStringLiteral("dpkg"));
    auto updater = makeUpdater(packaged);
    const auto error = updater->start();
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->description.contains(QStringLiteral("package manager")));
}

TEST_F(FeedUpdaterTest, FileFeedsWork)
{
    const QByteArray release = releaseArchive(QStringLiteral("28"));
    const QString archive = dir.filePath(QStringLiteral("Vantor-28.tar.gz"));
    FixtureBundle::writeFile(archive, release);
    FixtureBundle::writeFile(dir.filePath(QStringLiteral("feed.xml")),
        "<rss version=\"2.0\" xmlns:update=\"urn:quillon:update\"><channel><item><update:version>28</update:version>"
        "<enclosure url=\""
            + QUrl::fromLocalFile(archive).toEncoded() + "\" length=\"" + QByteArray::number(release.size())
            + "\" update:edSignature=\"" + sign(release) + "\"/></item></channel></rss>");
    writeApp(host, QStringLiteral("27"),
        {{QStringLiteral("SUFeedURL"), QUrl::fromLocalFile(dir.filePath(QStringLiteral("feed.xml"))).toString()},
            {QStringLiteral("SUPublicEDKey"), QString::fromLatin1(keys.publicKey.toBase64())}});
    auto updater = makeUpdater();
    ASSERT_EQ(updater->start(), std::nullopt);
    updater->checkForUpdates();
    ASSERT_TRUE(waitForCycles(1));
    EXPECT_EQ(installedBuild(), QStringLiteral("28"));
    EXPECT_EQ(relaunched.size(), 1);
}

namespace {

// Copies a folder tree; QFile::copy keeps each file's permissions.
bool copyTree(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    QDir().mkpath(to);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(info.filePath());
        if (info.isDir() ? !QDir().mkpath(target) : !QFile::copy(info.filePath(), target))
            return false;
    }
    return true;
}

// Sets a text value in an Info.plist, replacing the value that is there or adding the key.
void setInfoValue(const QString& plist, const QString& key, const QString& value)
{
    QString text = QString::fromUtf8(readAll(plist));
    const QRegularExpression existing(
        QStringLiteral("(<key>%1</key>\\s*)<string>[^<]*</string>").arg(QRegularExpression::escape(key)));
    const QString element = QStringLiteral("<string>%1</string>").arg(value.toHtmlEscaped());
    if (text.contains(existing))
        text.replace(existing, QStringLiteral("\\1") + element);
    else
        text.replace(QStringLiteral("</dict>"), QStringLiteral("<key>%1</key>%2\n</dict>").arg(key, element));
    FixtureBundle::writeFile(plist, text.toUtf8());
}

} // namespace

TEST_F(FeedUpdaterTest, ASignedUpdateOfACopyOfTheBuiltAppInstallsAndTheNewAgentRuns)
{
    // The installation: a copy of the app this build made, told its feed and the key it trusts.
    host = dir.filePath(QStringLiteral("real/Vantor.app"));
    ASSERT_TRUE(copyTree(QStringLiteral(VANTOR_APP_BUNDLE), host));
    setInfoValue(host + QStringLiteral("/Contents/Info.plist"), QStringLiteral("SUFeedURL"),
        server.url(QStringLiteral("/appcast.xml")).toString());
    setInfoValue(host + QStringLiteral("/Contents/Info.plist"), QStringLiteral("SUPublicEDKey"),
        QString::fromLatin1(keys.publicKey.toBase64()));
    const QString build = Bundle::open(host)->infoValue(QStringLiteral("CFBundleVersion")).toString();
    const QString next = QString::number(build.toLongLong() + 1);

    // The release: the same app with the next build number, archived and signed.
    const QString release = dir.filePath(QStringLiteral("release/Vantor.app"));
    ASSERT_TRUE(copyTree(QStringLiteral(VANTOR_APP_BUNDLE), release));
    setInfoValue(release + QStringLiteral("/Contents/Info.plist"), QStringLiteral("CFBundleVersion"), next);
    const QString archivePath = dir.filePath(QStringLiteral("release.tar"));
    ASSERT_TRUE(TestArchive::writeTree(archivePath, release, false));
    const QByteArray archive = readAll(archivePath);
    publish({{next, archive, sign(archive)}});

    // The relaunch starts the new agent for real, as a test host so it builds no menu bar.
    QProcess agent;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XCTestConfigurationFilePath"), QStringLiteral("1"));
    environment.insert(QStringLiteral("VANTOR_SETTINGS_SUITE"), QStringLiteral("relaunch.test"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    agent.setProcessEnvironment(environment);
    FeedUpdater::Options options;
    options.installationPaths.systemPrefixes = {};
    options.installationPaths.administrator = administratorForTests();
    options.relaunch = [&](const QString& executable) {
        relaunched.append(executable);
        agent.start(executable, {});
    };
    FeedUpdater updater(host, host + QLatin1Char('/') + kAgent, &driver, &delegate, *preferences, options);
    ASSERT_EQ(updater.start(), std::nullopt);
    updater.checkForUpdates();
    ASSERT_TRUE(waitForCycles(1, 100000));
    ASSERT_FALSE(delegate.aborted) << delegate.aborted->description.toStdString();

    EXPECT_EQ(installedBuild(), next);
    EXPECT_EQ(readAll(host + QStringLiteral("/Contents/Info.plist")),
        readAll(release + QStringLiteral("/Contents/Info.plist")));
    EXPECT_EQ(leftovers(), QStringList {QStringLiteral("Vantor.app")});
    const QString agentProgram = host + QLatin1Char('/') + kAgent + QStringLiteral("/Contents/MacOS/VantorAgent");
    ASSERT_EQ(relaunched, QStringList {agentProgram});
    ASSERT_TRUE(agent.waitForStarted(5000));
    // Still running a moment later: the agent from the new bundle came up.
    EXPECT_FALSE(agent.waitForFinished(1500)) << agent.readAllStandardError().toStdString();
    EXPECT_EQ(QFileInfo(QStringLiteral("/proc/%1/exe").arg(agent.processId())).symLinkTarget(), agentProgram);
    agent.terminate();
    agent.waitForFinished(5000);
}

TEST_F(FeedUpdaterTest, NothingIsFetchedOverPlainHttpOrRedirectedThere)
{
    // An enclosure over http, and one that is a local file named by a feed from the network.
    LoopbackHttpServer plain(LoopbackHttpServer::Scheme::http);
    const QByteArray release = releaseArchive(QStringLiteral("28"));
    plain.serve(QStringLiteral("/Vantor-28.tar.gz"), release);
    const QString local = dir.filePath(QStringLiteral("Vantor-29.tar.gz"));
    FixtureBundle::writeFile(local, release);
    const auto item = [&](const char* build, const QUrl& url) {
        return "<item><update:version>" + QByteArray(build) + "</update:version><enclosure url=\"" + url.toEncoded()
            + "\" length=\"" + QByteArray::number(release.size()) + "\" update:edSignature=\"" + sign(release)
            + "\"/></item>";
    };
    server.serve(QStringLiteral("/appcast.xml"),
        "<rss version=\"2.0\" xmlns:update=\"urn:quillon:update\"><channel>"
            + item("28", plain.url(QStringLiteral("/Vantor-28.tar.gz"))) + item("29", QUrl::fromLocalFile(local))
            + "</channel></rss>");
    auto updater = makeUpdater();
    ASSERT_EQ(updater->start(), std::nullopt);
    updater->checkForUpdates();
    ASSERT_TRUE(waitForCycles(1));
    EXPECT_EQ(delegate.calls, QStringList({QStringLiteral("none"), QStringLiteral("finished")}));
    EXPECT_EQ(plain.requests(QStringLiteral("/Vantor-28.tar.gz")), 0);
    EXPECT_EQ(installedBuild(), QStringLiteral("27"));

    // A feed that redirects to plain http is refused before anything is read from there.
    plain.serve(QStringLiteral("/appcast.xml"), "<rss version=\"2.0\"><channel/></rss>");
    server.redirect(QStringLiteral("/appcast.xml"), plain.url(QStringLiteral("/appcast.xml")));
    updater->checkForUpdates();
    ASSERT_TRUE(waitForCycles(2));
    ASSERT_TRUE(delegate.aborted);
    EXPECT_EQ(delegate.aborted->kind, UpdateError::Kind::feed);
    EXPECT_TRUE(delegate.aborted->description.contains(QStringLiteral("not an https address")))
        << delegate.aborted->description.toStdString();
    EXPECT_EQ(plain.requests(QStringLiteral("/appcast.xml")), 0);

    // A redirect to another https address is followed.
    publish({{QStringLiteral("28"), release, sign(release)}});
    server.serve(QStringLiteral("/moved.xml"), feedText);
    server.redirect(QStringLiteral("/appcast.xml"), server.url(QStringLiteral("/moved.xml")));
    driver.answer = UpdateChoice::dismiss;
    delegate.calls.clear();
    updater->checkForUpdates();
    ASSERT_TRUE(waitForCycles(3));
    EXPECT_EQ(
        delegate.calls, QStringList({QStringLiteral("found 28"), QStringLiteral("later"), QStringLiteral("finished")}));

    // An archive that redirects to plain http is not fetched from there.
    publish({{QStringLiteral("28"), release, sign(release)}});
    server.redirect(QStringLiteral("/Vantor-28.tar.gz"), plain.url(QStringLiteral("/Vantor-28.tar.gz")));
    driver.answer = UpdateChoice::install;
    delegate.aborted.reset();
    updater->checkForUpdates();
    ASSERT_TRUE(waitForCycles(4));
    ASSERT_TRUE(delegate.aborted);
    EXPECT_EQ(delegate.aborted->kind, UpdateError::Kind::download) << delegate.aborted->description.toStdString();
    EXPECT_EQ(plain.requests(QStringLiteral("/Vantor-28.tar.gz")), 0);
    EXPECT_EQ(installedBuild(), QStringLiteral("27"));
}

TEST_F(FeedUpdaterTest, OversizedArchivesAndFullDisksAreRefusedBeforeDownloading)
{
    const QByteArray release = releaseArchive(QStringLiteral("28"));
    // The feed's own length is unsigned: 381 MB of it is still refused.
    publish({{QStringLiteral("28"), release, sign(release), qint64(381) << 20}});
    FeedUpdater::Options options;
    auto updater = makeUpdater(options);
    ASSERT_EQ(updater->start(), std::nullopt);
    updater->checkForUpdates();
    ASSERT_TRUE(waitForCycles(1));
    ASSERT_TRUE(delegate.aborted);
    EXPECT_EQ(delegate.aborted->kind, UpdateError::Kind::download);
    EXPECT_EQ(server.requests(QStringLiteral("/Vantor-28.tar.gz")), 0);
    EXPECT_EQ(leftovers(), QStringList {QStringLiteral("Vantor.app")});

    // A disk without room for the archive and its contents.
    publish({{QStringLiteral("28"), release, sign(release)}});
    options.availableBytes = [](const QString&) { return qint64(1) << 20; };
    auto cramped = makeUpdater(options);
    ASSERT_EQ(cramped->start(), std::nullopt);
    delegate.aborted.reset();
    cramped->checkForUpdates();
    ASSERT_TRUE(waitForCycles(2));
    ASSERT_TRUE(delegate.aborted);
    EXPECT_EQ(delegate.aborted->kind, UpdateError::Kind::download);
    EXPECT_TRUE(delegate.aborted->description.contains(QStringLiteral("free")))
        << delegate.aborted->description.toStdString();
    EXPECT_EQ(server.requests(QStringLiteral("/Vantor-28.tar.gz")), 0);
    EXPECT_EQ(installedBuild(), QStringLiteral("27"));
}

TEST_F(FeedUpdaterTest, TwoUpdatersOfOneInstallationNeverOverlap)
{
    const QByteArray release = releaseArchive(QStringLiteral("28"));
    publish({{QStringLiteral("28"), release, sign(release)}});
    // Another updater of this copy is at work: its staging folder is not a leftover.
    const QString theirs
        = QFileInfo(host).path() + QLatin1Char('/') + BundleInstaller::stagingPrefix(host) + QStringLiteral("busy");
    FixtureBundle::writeFile(theirs + QStringLiteral("/update.archive"), "half");
    auto other = InstallationLock::tryAcquire(host);
    ASSERT_TRUE(other);

    auto updater = makeUpdater();
    ASSERT_EQ(updater->start(), std::nullopt);
    EXPECT_TRUE(QFileInfo::exists(theirs + QStringLiteral("/update.archive")));
    updater->checkForUpdates();
    ASSERT_TRUE(waitForCycles(1));
    ASSERT_TRUE(delegate.aborted);
    EXPECT_TRUE(delegate.aborted->description.contains(QStringLiteral("another update")))
        << delegate.aborted->description.toStdString();
    EXPECT_EQ(server.requests(QStringLiteral("/appcast.xml")), 0);
    EXPECT_TRUE(QFileInfo::exists(theirs + QStringLiteral("/update.archive")));
    EXPECT_EQ(installedBuild(), QStringLiteral("27"));

    // Once the other is done, the next cycle cleans up after it and installs.
    other.reset();
    delegate.aborted.reset();
    updater->checkForUpdates();
    ASSERT_TRUE(waitForCycles(2));
    EXPECT_FALSE(delegate.aborted) << delegate.aborted->description.toStdString();
    EXPECT_EQ(installedBuild(), QStringLiteral("28"));
    EXPECT_EQ(leftovers(), QStringList {QStringLiteral("Vantor.app")});
    // The lock is held for the whole cycle, and free again after it.
    EXPECT_TRUE(InstallationLock::tryAcquire(host));
}

TEST_F(FeedUpdaterTest, ACopyInAFolderOthersMayWriteToDoesNotUpdate)
{
    const QString folder = QFileInfo(host).path();
    const QByteArray release = releaseArchive(QStringLiteral("28"));
    publish({{QStringLiteral("28"), release, sign(release)}});
    auto running = makeUpdater();
    ASSERT_EQ(running->start(), std::nullopt);
    // Opened to others after the start: the next cycle does nothing, not even clean up what
    // someone may have planted there.
    ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::Permissions(0x7777)));
    const QString planted = folder + QLatin1Char('/') + BundleInstaller::stagingPrefix(host) + QStringLiteral("x");
    FixtureBundle::writeFile(planted + QStringLiteral("/file"), "x");
    running->checkForUpdates();
    ASSERT_TRUE(waitForCycles(1));
    ASSERT_TRUE(delegate.aborted);
    EXPECT_EQ(delegate.aborted->kind, UpdateError::Kind::configuration);
    EXPECT_EQ(server.requests(QStringLiteral("/appcast.xml")), 0);
    EXPECT_TRUE(QFileInfo::exists(planted + QStringLiteral("/file")));

    auto updater = makeUpdater();
    const auto error = updater->start();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind, UpdateError::Kind::configuration);
    EXPECT_TRUE(error->description.contains(QStringLiteral("other users may write")))
        << error->description.toStdString();
}
