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

TEST(UpdateInstallation, PackagedAndSystemWideCopiesLeaveUpdatesToOthers)
{
    QTemporaryDir dir;
    const QString bundle
        = writeBundle(dir.filePath(QStringLiteral("lib/vantor/Vantor.app")), kIdentifier, QStringLiteral("1"));
    UpdateInstallation::Paths paths;
    paths.dpkgInfo = dir.filePath(QStringLiteral("dpkg"));
    paths.systemPrefixes = {dir.filePath(QStringLiteral("system"))};
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
