#include "Platform/Updates/ArchiveExtractor.h"
#include "Platform/Updates/BundleInstaller.h"
#include "Platform/Updates/UpdateInstallation.h"
#include "Platform/Updates/UpdateSignature.h"
#include "tests/support/FixtureBundle.h"
#include "tests/support/TestArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Type = TestArchive::Type;

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A bundle with an executable program and, optionally, a program bundle inside it.
QString writeBundle(const QString& path, const QString& identifier, const QString& build, bool withAgent = true)
{
    FixtureBundle::write(path,
        {{QStringLiteral("CFBundleIdentifier"), identifier},
            {QStringLiteral("CFBundleExecutable"), QStringLiteral("Vantor")},
            {QStringLiteral("CFBundleVersion"), build},
            {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.0")}});
    const QString program = path + QStringLiteral("/Contents/MacOS/Vantor");
    FixtureBundle::writeFile(program, "#!/bin/sh\n");
    QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
    if (withAgent) {
        const QString agent = path + QStringLiteral("/Contents/Library/LoginItems/VantorAgent.app");
        FixtureBundle::write(agent,
            {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.quillon.vantor.agent")},
                {QStringLiteral("CFBundleExecutable"), QStringLiteral("VantorAgent")}});
        FixtureBundle::writeFile(agent + QStringLiteral("/Contents/MacOS/VantorAgent"), "#!/bin/sh\n");
        QFile::setPermissions(
            agent + QStringLiteral("/Contents/MacOS/VantorAgent"), QFile::ReadOwner | QFile::ExeOwner);
    }
    return path;
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// A uid that no account has; only the superuser can give files to it.
uid_t unusedUid()
{
    uid_t uid = 54321;
    while (::getpwuid(uid))
        ++uid;
    return uid;
}

const QString kAgentPath = QStringLiteral("Contents/Library/LoginItems/VantorAgent.app");
const QString kIdentifier = QStringLiteral("com.quillon.vantor");

} // namespace

TEST(UpdateSignature, OnlyTheRightKeyOverTheExactBytesVerifies)
{
    const auto pair = UpdateSignature::generateKeyPair();
    ASSERT_EQ(pair.publicKey.size(), 32);
    ASSERT_EQ(UpdateSignature::publicKeyOf(pair.secretKey), pair.publicKey);
    const QByteArray data = "release archive bytes";
    const QByteArray signature = UpdateSignature::sign(data, pair.secretKey).toBase64();
    EXPECT_TRUE(UpdateSignature::verify(data, signature, pair.publicKey));

    QByteArray tampered = data;
    tampered[3] = 'X';
    EXPECT_FALSE(UpdateSignature::verify(tampered, signature, pair.publicKey));
    EXPECT_FALSE(UpdateSignature::verify(data + ' ', signature, pair.publicKey));
    EXPECT_FALSE(UpdateSignature::verify(data, signature, UpdateSignature::generateKeyPair().publicKey));
    EXPECT_FALSE(UpdateSignature::verify(data, QByteArray(), pair.publicKey));
    EXPECT_FALSE(UpdateSignature::verify(data, "garbage", pair.publicKey));
    EXPECT_FALSE(UpdateSignature::verify(data, signature, pair.publicKey.left(31)));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.tar.gz"));
    FixtureBundle::writeFile(file, data);
    EXPECT_TRUE(UpdateSignature::verifyFile(file, signature, pair.publicKey));
    FixtureBundle::writeFile(file, tampered);
    EXPECT_FALSE(UpdateSignature::verifyFile(file, signature, pair.publicKey));
    EXPECT_FALSE(UpdateSignature::verifyFile(dir.filePath(QStringLiteral("missing")), signature, pair.publicKey));

    EXPECT_EQ(UpdateSignature::decodePublicKey(QString::fromLatin1(pair.publicKey.toBase64())), pair.publicKey);
    EXPECT_FALSE(UpdateSignature::decodePublicKey(QString()));
    EXPECT_FALSE(UpdateSignature::decodePublicKey(QStringLiteral("c2hvcnQ=")));
}

TEST(ArchiveExtractor, UnpacksABundleWithItsModes)
{
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("a.tar.gz"));
    ASSERT_TRUE(TestArchive::write(archive,
        {{QStringLiteral("Vantor.app"), Type::folder, {}, 0755},
            {QStringLiteral("Vantor.app/Contents/MacOS/Vantor"), Type::file, "program", 04755},
            {QStringLiteral("Vantor.app/Contents/Info.plist"), Type::file, "<plist/>", 0666},
            {QStringLiteral("Vantor.app/Contents/Resources/current"), Type::symlink, "../Info.plist", 0777}}));
    const QString out = dir.filePath(QStringLiteral("out"));
    QDir().mkpath(out);
    EXPECT_EQ(ArchiveExtractor::extract(archive, out), std::nullopt);
    EXPECT_EQ(readAll(out + QStringLiteral("/Vantor.app/Contents/Info.plist")), "<plist/>");
    const QFileInfo program(out + QStringLiteral("/Vantor.app/Contents/MacOS/Vantor"));
    EXPECT_TRUE(program.isExecutable());
    // No set-id bits and no write access for others survive.
    EXPECT_EQ(QFile::permissions(program.filePath()) & QFile::WriteOther, 0);
    EXPECT_EQ(QFile::permissions(out + QStringLiteral("/Vantor.app/Contents/Info.plist")) & QFile::WriteOther, 0);
    EXPECT_TRUE(QFileInfo(out + QStringLiteral("/Vantor.app/Contents/Resources/current")).isSymLink());
}

TEST(ArchiveExtractor, RefusesEntriesThatLeaveTheFolder)
{
    QTemporaryDir dir;
    const QList<QList<TestArchive::Entry>> hostile {
        {{QStringLiteral("../escaped"), Type::file, "x"}},
        {{QStringLiteral("Vantor.app/../../escaped"), Type::file, "x"}},
        {{QStringLiteral("/tmp/escaped-absolute"), Type::file, "x"}},
        {{QStringLiteral("Vantor.app/link"), Type::symlink, "/etc"}},
        {{QStringLiteral("Vantor.app/link"), Type::symlink, "../../.."}},
        {{QStringLiteral("Vantor.app/a"), Type::file, "x"},
            {QStringLiteral("Vantor.app/b"), Type::hardlink, "/etc/passwd"}},
        {{QStringLiteral("Vantor.app/pipe"), Type::fifo, {}}},
        {},
    };
    int index = 0;
    for (const auto& entries : hostile) {
        const QString archive = dir.filePath(QStringLiteral("h%1.tar.gz").arg(index));
        const QString out = dir.filePath(QStringLiteral("out%1/inner").arg(index));
        QDir().mkpath(out);
        ASSERT_TRUE(TestArchive::write(archive, entries)) << index;
        EXPECT_TRUE(ArchiveExtractor::extract(archive, out)) << index;
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("out%1/escaped").arg(index)))) << index;
        ++index;
    }
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/escaped-absolute")));

    // Not an archive at all, and one that unpacks past the cap.
    const QString junk = dir.filePath(QStringLiteral("junk.tar.gz"));
    FixtureBundle::writeFile(junk, QByteArray(5000, 'j'));
    EXPECT_TRUE(ArchiveExtractor::extract(junk, dir.path()));
    const QString big = dir.filePath(QStringLiteral("big.tar.gz"));
    ASSERT_TRUE(TestArchive::write(big, {{QStringLiteral("big"), Type::file, QByteArray(4096, 'b')}}));
    EXPECT_TRUE(ArchiveExtractor::extract(big, dir.filePath(QStringLiteral("out0")), {1000, 10}));
}

TEST(ArchiveExtractor, LinksMustResolveInsideTheirBundle)
{
    QTemporaryDir dir;
    using Entries = QList<TestArchive::Entry>;
    const TestArchive::Entry bundle {QStringLiteral("Vantor.app"), Type::folder, {}, 0755};
    const TestArchive::Entry contents {QStringLiteral("Vantor.app/Contents"), Type::folder, {}, 0755};
    const TestArchive::Entry other {QStringLiteral("Other"), Type::folder, {}, 0755};
    const auto link = [](const char* path, const char* target) {
        return TestArchive::Entry {QLatin1String(path), Type::symlink, target, 0777};
    };
    struct Case {
        const char* name;
        Entries entries;
        bool accepted;
    };
    const QList<Case> cases {
        // The boundaries: one level out of the bundle is out, however the levels are written.
        {"to the bundle's own folder", {bundle, link("Vantor.app/link", ".")}, true},
        {"one level out", {bundle, link("Vantor.app/link", "../escaped")}, false},
        {"two levels out", {bundle, link("Vantor.app/link", "../../escaped")}, false},
        {"back in after leaving", {bundle, link("Vantor.app/link", "../Vantor.app/x")}, true},
        {"up to the bundle", {bundle, contents, link("Vantor.app/Contents/link", "../x")}, true},
        {"up past the bundle", {bundle, contents, link("Vantor.app/Contents/link", "../../x")}, false},
        {"dots in the link's path", {bundle, contents, link("Vantor.app/./Contents/./link", "../../x")}, false},
        {"dots in the target", {bundle, contents, link("Vantor.app/Contents/link", "./.././../x")}, false},
        {"into a neighbour of the bundle", {bundle, other, link("Vantor.app/link", "../Other/file")}, false},
        {"absolute", {bundle, link("Vantor.app/Resources/x", "/etc/passwd")}, false},
        {"a link at the top", {link("Vantor.app", "Other")}, false},
        // Through earlier links: each counts where it leads, not where it stands.
        {"through a link to the bundle",
            {bundle, contents, link("Vantor.app/Contents/up", ".."), link("Vantor.app/Contents/x", "up/../escaped")},
            false},
        {"through a link further in",
            {bundle, contents, link("Vantor.app/Contents/deep", "a/b"), link("Vantor.app/Contents/x", "deep/../y")},
            true},
        {"through a chain to /etc/passwd",
            {bundle, contents, link("Vantor.app/Contents/r", "."), link("Vantor.app/Contents/s", "r/r/r/.."),
                link("Vantor.app/Contents/x", "s/../../etc/passwd")},
            false},
        // A link placed later where an earlier link's path went through a folder.
        {"a folder turned link", {bundle, link("Vantor.app/x", "b/../y"), link("Vantor.app/b", ".")}, false},
        {"written through a link",
            {bundle, link("Vantor.app/dir", "."), {QStringLiteral("Vantor.app/dir/file"), Type::file, "x"}}, false},
    };
    int index = 0;
    for (const Case& c : cases) {
        const QString archive = dir.filePath(QStringLiteral("l%1.tar.gz").arg(index));
        const QString out = dir.filePath(QStringLiteral("out%1/unpacked").arg(index));
        QDir().mkpath(out);
        ASSERT_TRUE(TestArchive::write(archive, c.entries)) << c.name;
        const auto refused = ArchiveExtractor::extract(archive, out);
        EXPECT_EQ(!refused, c.accepted) << c.name << ": " << refused.value_or(QString()).toStdString();
        ++index;
    }
}

TEST(BundleInstaller, OnlyANewerCopyOfTheSameAppIsAccepted)
{
    QTemporaryDir dir;
    const QString installed
        = writeBundle(dir.filePath(QStringLiteral("Vantor.app")), kIdentifier, QStringLiteral("27"));
    const auto candidate = [&](const QString& id, const QString& build, bool withAgent = true) {
        const QString path = dir.filePath(QStringLiteral("new-%1-%2-%3/Vantor.app").arg(id, build).arg(withAgent));
        return writeBundle(path, id, build, withAgent);
    };
    EXPECT_EQ(
        BundleInstaller::validate(candidate(kIdentifier, QStringLiteral("28")), installed, kAgentPath), std::nullopt);
    EXPECT_TRUE(BundleInstaller::validate(candidate(kIdentifier, QStringLiteral("27")), installed, kAgentPath));
    EXPECT_TRUE(BundleInstaller::validate(candidate(kIdentifier, QStringLiteral("26")), installed, kAgentPath));
    EXPECT_TRUE(
        BundleInstaller::validate(candidate(QStringLiteral("com.other"), QStringLiteral("99")), installed, kAgentPath));
    EXPECT_TRUE(BundleInstaller::validate(candidate(kIdentifier, QStringLiteral("29"), false), installed, kAgentPath));
    EXPECT_TRUE(BundleInstaller::validate(dir.filePath(QStringLiteral("nowhere.app")), installed, kAgentPath));

    // The unpacked bundle is found by the installed bundle's name, else as the only bundle.
    QDir().mkpath(dir.filePath(QStringLiteral("unpacked/Other.app")));
    EXPECT_EQ(BundleInstaller::findBundle(dir.filePath(QStringLiteral("unpacked")), installed),
        dir.filePath(QStringLiteral("unpacked/Other.app")));
    QDir().mkpath(dir.filePath(QStringLiteral("unpacked/Vantor.app")));
    EXPECT_EQ(BundleInstaller::findBundle(dir.filePath(QStringLiteral("unpacked")), installed),
        dir.filePath(QStringLiteral("unpacked/Vantor.app")));
    EXPECT_FALSE(BundleInstaller::findBundle(
        dir.filePath(QStringLiteral("new-com.other-99-1")) + QStringLiteral("/x"), installed));
}

TEST(BundleInstaller, SwapPutsTheNewBundleInPlaceAndKeepsTheOldAside)
{
    QTemporaryDir dir;
    const QString installed = writeBundle(dir.filePath(QStringLiteral("Vantor.app")), kIdentifier, QStringLiteral("1"));
    const QString staging = dir.filePath(BundleInstaller::stagingPrefix(installed) + QStringLiteral("abc"));
    const QString fresh = writeBundle(staging + QStringLiteral("/Vantor.app"), kIdentifier, QStringLiteral("2"));
    EXPECT_EQ(BundleInstaller::swap(fresh, installed), std::nullopt);
    EXPECT_TRUE(readAll(installed + QStringLiteral("/Contents/Info.plist")).contains("<string>2</string>"));
    EXPECT_TRUE(readAll(fresh + QStringLiteral("/Contents/Info.plist")).contains("<string>1</string>"));

    // A failed swap changes nothing.
    EXPECT_TRUE(BundleInstaller::swap(dir.filePath(QStringLiteral("missing.app")), installed));
    EXPECT_TRUE(readAll(installed + QStringLiteral("/Contents/Info.plist")).contains("<string>2</string>"));

    // What an interrupted install left beside the bundle goes; the bundle and its neighbours stay.
    QDir().mkpath(dir.filePath(QStringLiteral("Other.app")));
    BundleInstaller::removeLeftovers(installed);
    EXPECT_FALSE(QFileInfo::exists(staging));
    EXPECT_TRUE(QFileInfo::exists(installed + QStringLiteral("/Contents/MacOS/Vantor")));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("Other.app"))));
}

TEST(BundleInstaller, CleaningUpNeverFollowsLinksOrTouchesOthersFiles)
{
    QTemporaryDir dir;
    const QString installed = writeBundle(dir.filePath(QStringLiteral("Vantor.app")), kIdentifier, QStringLiteral("1"));
    const QString prefix = dir.filePath(BundleInstaller::stagingPrefix(installed));
    // Someone else's documents, reached by links named like staging folders, at the top and inside.
    const QString victim = dir.filePath(QStringLiteral("victim/Documents"));
    FixtureBundle::writeFile(victim + QStringLiteral("/letter.txt"), "keep me");
    ASSERT_TRUE(QFile::link(victim, prefix + QStringLiteral("x")));
    QDir().mkpath(prefix + QStringLiteral("y/unpacked"));
    ASSERT_TRUE(QFile::link(victim, prefix + QStringLiteral("y/unpacked/Vantor.app")));
    ASSERT_TRUE(QFile::link(victim + QStringLiteral("/letter.txt"), prefix + QStringLiteral("z")));

    BundleInstaller::removeLeftovers(installed);
    EXPECT_EQ(readAll(victim + QStringLiteral("/letter.txt")), "keep me");
    // The links themselves and our own staging folder are gone.
    EXPECT_EQ(entriesOf(dir.path()), QStringList({QStringLiteral("Vantor.app"), QStringLiteral("victim")}));

    if (::geteuid() != 0)
        GTEST_SKIP() << "giving entries to another user needs the superuser";
    // Entries of another user stay, and so does everything inside them.
    const uid_t stranger = unusedUid();
    const QString theirs = prefix + QStringLiteral("theirs");
    FixtureBundle::writeFile(theirs + QStringLiteral("/inner/file"), "theirs");
    ASSERT_EQ(::chown(QFile::encodeName(theirs).constData(), stranger, stranger), 0);
    const QString mixed = prefix + QStringLiteral("mixed");
    FixtureBundle::writeFile(mixed + QStringLiteral("/ours"), "ours");
    FixtureBundle::writeFile(mixed + QStringLiteral("/theirs"), "theirs");
    ASSERT_EQ(::chown(QFile::encodeName(mixed + QStringLiteral("/theirs")).constData(), stranger, stranger), 0);
    ASSERT_TRUE(QFile::link(victim, prefix + QStringLiteral("their-link")));
    ASSERT_EQ(::lchown(QFile::encodeName(prefix + QStringLiteral("their-link")).constData(), stranger, stranger), 0);
    BundleInstaller::removeLeftovers(installed);
    EXPECT_EQ(readAll(theirs + QStringLiteral("/inner/file")), "theirs");
    EXPECT_EQ(entriesOf(mixed), QStringList {QStringLiteral("theirs")});
    EXPECT_TRUE(QFileInfo(prefix + QStringLiteral("their-link")).isSymLink());
}

TEST(BundleInstaller, AnInterruptedSwapIsRolledBackOrCompletedNeverLost)
{
    for (const int renames : {1, 2}) {
        QTemporaryDir dir;
        const QString installed
            = writeBundle(dir.filePath(QStringLiteral("Vantor.app")), kIdentifier, QStringLiteral("1"));
        const QString staging = dir.filePath(BundleInstaller::stagingPrefix(installed) + QStringLiteral("abc"));
        const QString fresh
            = writeBundle(staging + QStringLiteral("/unpacked/Vantor.app"), kIdentifier, QStringLiteral("2"));
        // As on a file system without an atomic exchange, with the power cut after `renames`.
        BundleInstaller::SwapOptions options;
        options.atomicExchange = false;
        options.interruptAfterRenames = renames;
        EXPECT_TRUE(BundleInstaller::swap(fresh, installed, options));
        EXPECT_EQ(QFileInfo::exists(installed), renames == 2) << renames;

        // The next start: the old bundle comes back if the new one never arrived; otherwise the
        // new one stays. Either way a working bundle is in place and nothing else is left.
        BundleInstaller::removeLeftovers(installed);
        EXPECT_TRUE(readAll(installed + QStringLiteral("/Contents/Info.plist"))
                        .contains(renames == 1 ? "<string>1</string>" : "<string>2</string>"))
            << renames;
        EXPECT_EQ(entriesOf(dir.path()), QStringList {QStringLiteral("Vantor.app")}) << renames;
    }

    // Without a record, an old copy is never removed while the install path is empty.
    QTemporaryDir dir;
    const QString installed = dir.filePath(QStringLiteral("Vantor.app"));
    const QString aside = dir.filePath(BundleInstaller::stagingPrefix(installed) + QStringLiteral("old-1"));
    writeBundle(aside, kIdentifier, QStringLiteral("1"));
    BundleInstaller::removeLeftovers(installed);
    EXPECT_TRUE(QFileInfo::exists(aside + QStringLiteral("/Contents/Info.plist")));

    // The fallback runs to the end like the exchange does.
    writeBundle(installed, kIdentifier, QStringLiteral("1"));
    QDir(aside).removeRecursively();
    const QString fresh
        = writeBundle(dir.filePath(BundleInstaller::stagingPrefix(installed) + QStringLiteral("n/Vantor.app")),
            kIdentifier, QStringLiteral("2"));
    BundleInstaller::SwapOptions plain;
    plain.atomicExchange = false;
    EXPECT_EQ(BundleInstaller::swap(fresh, installed, plain), std::nullopt);
    EXPECT_TRUE(readAll(installed + QStringLiteral("/Contents/Info.plist")).contains("<string>2</string>"));
    EXPECT_TRUE(readAll(fresh + QStringLiteral("/Contents/Info.plist")).contains("<string>1</string>"));
    EXPECT_FALSE(QFileInfo::exists(BundleInstaller::swapRecordPath(installed)));
}

TEST(UpdateInstallation, PackagedAndSystemWideCopiesLeaveUpdatesToOthers)
{
    QTemporaryDir dir;
    const QString bundle
        = writeBundle(dir.filePath(QStringLiteral("lib/vantor/Vantor.app")), kIdentifier, QStringLiteral("1"));
    UpdateInstallation::Paths paths;
    paths.dpkgInfo = dir.filePath(QStringLiteral("dpkg"));
    paths.systemPrefixes = {dir.filePath(QStringLiteral("system"))};
    paths.administrator = ::geteuid() == 0 ? unusedUid() : 0;
    EXPECT_EQ(UpdateInstallation::reasonNotToUpdate(bundle, QStringLiteral("vantor"), paths), std::nullopt);

    FixtureBundle::writeFile(paths.dpkgInfo + QStringLiteral("/vantor.list"),
        "/.\n/usr\n" + QFile::encodeName(QFileInfo(bundle).absoluteFilePath()) + "\n");
    EXPECT_TRUE(UpdateInstallation::isFromPackage(bundle, QStringLiteral("vantor"), paths));
    const auto packaged = UpdateInstallation::reasonNotToUpdate(bundle, QStringLiteral("vantor"), paths);
    ASSERT_TRUE(packaged);
    EXPECT_TRUE(packaged->contains(QStringLiteral("package manager"))) << packaged->toStdString();
    // Another package's list does not count.
    EXPECT_FALSE(UpdateInstallation::isFromPackage(bundle, QStringLiteral("vantor-extra"), paths));

    const QString system
        = writeBundle(dir.filePath(QStringLiteral("system/Vantor.app")), kIdentifier, QStringLiteral("1"));
    const auto systemWide = UpdateInstallation::reasonNotToUpdate(system, QStringLiteral("vantor"), paths);
    ASSERT_TRUE(systemWide);
    EXPECT_TRUE(systemWide->contains(QStringLiteral("system-wide")));
    EXPECT_TRUE(UpdateInstallation::reasonNotToUpdate(
        dir.filePath(QStringLiteral("missing.app")), QStringLiteral("vantor"), paths));
    // The real system prefixes cover a package's place.
    EXPECT_TRUE(UpdateInstallation::reasonNotToUpdate(QStringLiteral("/usr/bin"), QString()));
}

TEST(UpdateInstallation, FoldersOthersMayWriteToAndRootsCopiesNeverUpdate)
{
    QTemporaryDir dir;
    UpdateInstallation::Paths paths;
    paths.dpkgInfo = dir.filePath(QStringLiteral("dpkg"));
    paths.systemPrefixes = {};
    // When the tests run as root, their copies must count as a user's for the other checks.
    UpdateInstallation::Paths asUser = paths;
    asUser.administrator = ::geteuid() == 0 ? unusedUid() : 0;
    const QString folder = dir.filePath(QStringLiteral("apps"));
    const QString bundle = writeBundle(folder + QStringLiteral("/Vantor.app"), kIdentifier, QStringLiteral("1"));
    const auto setMode
        = [](const QString& path, mode_t mode) { return ::chmod(QFile::encodeName(path).constData(), mode) == 0; };
    ASSERT_TRUE(setMode(folder, 0755));
    ASSERT_TRUE(setMode(bundle, 0755));
    EXPECT_EQ(UpdateInstallation::reasonNotToUpdate(bundle, QString(), asUser), std::nullopt);

    // A shared group folder, a world-writable one, a sticky one like /tmp: others could plant
    // entries beside the bundle.
    for (const mode_t mode : {mode_t(0775), mode_t(0757), mode_t(01777)}) {
        ASSERT_TRUE(setMode(folder, mode));
        const auto reason = UpdateInstallation::reasonNotToUpdate(bundle, QString(), asUser);
        ASSERT_TRUE(reason) << std::oct << mode;
        EXPECT_TRUE(reason->contains(QStringLiteral("other users may write"))) << reason->toStdString();
    }
    ASSERT_TRUE(setMode(folder, 0755));
    // Others who may write inside the bundle, or rename the folder above it, count as well.
    ASSERT_TRUE(setMode(bundle, 0777));
    EXPECT_TRUE(UpdateInstallation::reasonNotToUpdate(bundle, QString(), asUser));
    ASSERT_TRUE(setMode(bundle, 0755));
    ASSERT_TRUE(setMode(dir.path(), 0777));
    EXPECT_TRUE(UpdateInstallation::reasonNotToUpdate(bundle, QString(), asUser));
    ASSERT_TRUE(setMode(dir.path(), 0700));
    EXPECT_EQ(UpdateInstallation::reasonNotToUpdate(bundle, QString(), asUser), std::nullopt);

    if (::geteuid() != 0)
        GTEST_SKIP() << "a copy owned by root outside /usr and /opt needs the superuser to make";
    // Root's copy never updates itself, not even when root runs it.
    const auto reason = UpdateInstallation::reasonNotToUpdate(bundle, QString(), paths);
    ASSERT_TRUE(reason);
    EXPECT_TRUE(reason->contains(QStringLiteral("belongs to root"))) << reason->toStdString();
}
