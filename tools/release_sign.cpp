// The release helper: makes the signing key pair, signs a release archive and prints the feed
// item that offers it.
//
//   release_sign generate-key <secret-key-file>
//       writes a new key pair (the file holds the secret key, readable by its owner only) and
//       prints the public key, the value of SUPublicEDKey (cmake -DVANTOR_UPDATE_PUBLIC_KEY=…)
//   release_sign public-key <secret-key-file>
//       prints the public key of an existing secret key
//   release_sign sign <secret-key-file> <archive> --version <build> --url <archive URL>
//                [--short-version <version>] [--notes <release notes URL>] [--title <title>]
//       prints the <item> to add to the feed, with the archive's length and signature

#include "Platform/Updates/Appcast.h"
#include "Platform/Updates/UpdateSignature.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTextStream>

#include <cstdio>

namespace {

QTextStream out(stdout);
QTextStream err(stderr);

int usage()
{
    err << "usage: release_sign generate-key <secret-key-file>\n"
           "       release_sign public-key <secret-key-file>\n"
           "       release_sign sign <secret-key-file> <archive> --version <build> --url <archive URL>\n"
           "                    [--short-version <version>] [--notes <URL>] [--title <title>]\n";
    return 2;
}

std::optional<QByteArray> readSecretKey(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        err << "cannot read " << path << ": " << file.errorString() << "\n";
        return std::nullopt;
    }
    const auto decoded
        = QByteArray::fromBase64Encoding(file.readAll().trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || UpdateSignature::publicKeyOf(decoded.decoded).isEmpty()) {
        err << path << " does not hold a secret key made by generate-key\n";
        return std::nullopt;
    }
    return decoded.decoded;
}

int generateKey(const QString& path)
{
    if (QFileInfo::exists(path)) {
        err << path << " exists already; a release key is never overwritten\n";
        return 1;
    }
    const UpdateSignature::KeyPair pair = UpdateSignature::generateKeyPair();
    QFile file(path);
    // Created readable by its owner only, before the key is written into it.
    if (pair.secretKey.isEmpty()
        || !file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || file.write(pair.secretKey.toBase64() + '\n') < 0 || !file.flush()) {
        err << "cannot write " << path << ": " << file.errorString() << "\n";
        file.remove();
        return 1;
    }
    out << pair.publicKey.toBase64() << "\n";
    return 0;
}

int publicKey(const QString& path)
{
    const auto secret = readSecretKey(path);
    if (!secret)
        return 1;
    out << UpdateSignature::publicKeyOf(*secret).toBase64() << "\n";
    return 0;
}

int sign(const QStringList& arguments)
{
    if (arguments.size() < 2)
        return usage();
    QMap<QString, QString> options;
    for (qsizetype i = 2; i < arguments.size(); i += 2) {
        if (!arguments.at(i).startsWith(QLatin1String("--")) || i + 1 >= arguments.size())
            return usage();
        options.insert(arguments.at(i).mid(2), arguments.at(i + 1));
    }
    const QString version = options.value(QStringLiteral("version"));
    const QString url = options.value(QStringLiteral("url"));
    if (version.isEmpty() || url.isEmpty())
        return usage();
    const auto secret = readSecretKey(arguments.at(0));
    if (!secret)
        return 1;
    QFile archive(arguments.at(1));
    if (!archive.open(QIODevice::ReadOnly)) {
        err << "cannot read " << arguments.at(1) << ": " << archive.errorString() << "\n";
        return 1;
    }
    const QByteArray bytes = archive.readAll();
    const QByteArray signature = UpdateSignature::sign(bytes, *secret).toBase64();
    // Checked the way the updater will check it, so a broken key is caught here, not by users.
    if (!UpdateSignature::verify(bytes, signature, UpdateSignature::publicKeyOf(*secret))) {
        err << "the signature does not verify\n";
        return 1;
    }

    const QString shortVersion = options.value(QStringLiteral("short-version"), version);
    const QString title = options.value(QStringLiteral("title"), QStringLiteral("Version %1").arg(shortVersion));
    const auto escaped = [](const QString& text) { return text.toHtmlEscaped(); };
    out << "<item>\n"
        << "  <title>" << escaped(title) << "</title>\n"
        << "  <update:version>" << escaped(version) << "</update:version>\n"
        << "  <update:shortVersionString>" << escaped(shortVersion) << "</update:shortVersionString>\n";
    if (options.contains(QStringLiteral("notes")))
        out << "  <update:releaseNotesLink>" << escaped(options.value(QStringLiteral("notes")))
            << "</update:releaseNotesLink>\n";
    out << "  <enclosure url=\"" << escaped(url) << "\" length=\"" << bytes.size()
        << "\" type=\"application/octet-stream\" update:edSignature=\"" << signature << "\"/>\n"
        << "</item>\n"
        << "<!-- the feed's root element declares xmlns:update=\"" << Appcast::updateNamespace << "\" -->\n";
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (arguments.size() < 2)
        return usage();
    const QString command = arguments.takeFirst();
    if (command == QLatin1String("generate-key") && arguments.size() == 1)
        return generateKey(arguments.first());
    if (command == QLatin1String("public-key") && arguments.size() == 1)
        return publicKey(arguments.first());
    if (command == QLatin1String("sign"))
        return sign(arguments);
    return usage();
}
