// The download and install half of an update cycle: fetch the archive into a staging folder
// beside the installation, check its length and signature, unpack it, check the new bundle and
// swap it in.

#include "Platform/Bundles/Bundle.h"
#include "Platform/Logging/PlatformLog.h"
#include "Platform/Updates/ArchiveExtractor.h"
#include "Platform/Updates/BundleInstaller.h"
#include "Platform/Updates/FeedUpdater.h"
#include "Platform/Updates/FeedUpdaterSession.h"
#include "Platform/Updates/UpdateSignature.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

// Room for the archive and what it unpacks to, guessed generously, with some left over for the
// rest of the system.
constexpr qint64 unpackedPerArchiveByte = 10;
constexpr qint64 reserveBytes = qint64(64) << 20;

} // namespace

void FeedUpdater::download()
{
    m_delegate->willDownloadUpdate(m_session->item);
    const QString parent = QFileInfo(m_hostPath).absolutePath();
    // The length is the feed's word, unsigned: it bounds nothing until it is bounded here.
    const qint64 length = m_session->item.contentLength;
    if (length > maximumArchiveBytes) {
        fail({UpdateError::Kind::download,
            QStringLiteral("the archive of version %1 would be %2 bytes, more than the %3 an update may have")
                .arg(m_session->item.displayVersionString)
                .arg(length)
                .arg(maximumArchiveBytes)});
        return;
    }
    const qint64 needed = length * (1 + unpackedPerArchiveByte) + reserveBytes;
    const qint64 available = m_options.availableBytes(parent);
    if (available < needed) {
        fail({UpdateError::Kind::download,
            QStringLiteral("%1 has %2 bytes free; the update needs %3").arg(parent).arg(available).arg(needed)});
        return;
    }
    m_session->staging = std::make_unique<QTemporaryDir>(
        parent + QLatin1Char('/') + BundleInstaller::stagingPrefix(m_hostPath) + QStringLiteral("XXXXXX"));
    if (!m_session->staging->isValid()) {
        fail({UpdateError::Kind::install,
            QStringLiteral("cannot make a staging folder in %1: %2").arg(parent, m_session->staging->errorString())});
        return;
    }
    m_session->archive.setFileName(m_session->staging->filePath(QStringLiteral("update.archive")));
    if (!m_session->archive.open(QIODevice::WriteOnly)) {
        fail({UpdateError::Kind::install,
            QStringLiteral("cannot write the archive: %1").arg(m_session->archive.errorString())});
        return;
    }
    if (m_session->userInitiated && m_driver)
        m_driver->showProgress(
            UpdateUserDriver::Stage::downloading, 0, m_session->item.contentLength, [this] { cancel(); });

    QNetworkReply* reply = get(m_session->item.fileURL);
    m_session->reply = reply;
    connect(reply, &QNetworkReply::readyRead, this, &FeedUpdater::downloadReadyRead);
    connect(reply, &QNetworkReply::finished, this, &FeedUpdater::downloadFinished);
}

void FeedUpdater::downloadReadyRead()
{
    const QByteArray chunk = m_session->reply->readAll();
    m_session->received += chunk.size();
    // More than the feed promised is refused at once rather than written to disk.
    if (m_session->received > m_session->item.contentLength) {
        fail({UpdateError::Kind::signature,
            QStringLiteral("the archive is larger than the %1 bytes the feed names")
                .arg(m_session->item.contentLength)});
        return;
    }
    if (m_session->archive.write(chunk) != chunk.size()) {
        fail({UpdateError::Kind::download,
            QStringLiteral("cannot write the archive: %1").arg(m_session->archive.errorString())});
        return;
    }
    if (m_session->userInitiated && m_driver)
        m_driver->showProgress(UpdateUserDriver::Stage::downloading, m_session->received, m_session->item.contentLength,
            [this] { cancel(); });
}

void FeedUpdater::downloadFinished()
{
    QNetworkReply* reply = m_session->reply;
    if (reply->bytesAvailable() > 0)
        downloadReadyRead();
    if (!m_session)
        return;
    m_session->reply = nullptr;
    reply->deleteLater();
    if (!m_session->refusedRedirect.isEmpty()) {
        fail({UpdateError::Kind::download,
            QStringLiteral("the archive %1 redirects to %2, which is not an https address")
                .arg(m_session->item.fileURL.toDisplayString(), m_session->refusedRedirect.toDisplayString())});
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        fail({UpdateError::Kind::download,
            QStringLiteral("cannot download %1: %2")
                .arg(m_session->item.fileURL.toDisplayString(), reply->errorString())});
        return;
    }
    if (!m_session->archive.flush()) {
        fail({UpdateError::Kind::download,
            QStringLiteral("cannot write the archive: %1").arg(m_session->archive.errorString())});
        return;
    }
    m_session->archive.close();
    if (m_session->received != m_session->item.contentLength) {
        fail({UpdateError::Kind::signature,
            QStringLiteral("the archive has %1 bytes, the feed names %2")
                .arg(m_session->received)
                .arg(m_session->item.contentLength)});
        return;
    }
    if (!UpdateSignature::verifyFile(m_session->archive.fileName(), m_session->item.edSignature, m_publicKey)) {
        fail({UpdateError::Kind::signature,
            QStringLiteral("the archive of version %1 is not signed with the app's key")
                .arg(m_session->item.displayVersionString)});
        return;
    }
    install();
}

void FeedUpdater::install()
{
    if (m_session->userInitiated && m_driver)
        m_driver->showProgress(UpdateUserDriver::Stage::installing, 0, 0, {});
    const QString unpacked = m_session->staging->filePath(QStringLiteral("unpacked"));
    if (!QDir().mkpath(unpacked)) {
        fail({UpdateError::Kind::install, QStringLiteral("cannot make %1").arg(unpacked)});
        return;
    }
    // What the archive unpacks to is bounded by the room we checked for, not only by its own cap.
    ArchiveExtractor::Limits limits;
    limits.totalBytes = std::min(limits.totalBytes, m_session->item.contentLength * unpackedPerArchiveByte);
    if (const auto refused = ArchiveExtractor::extract(m_session->archive.fileName(), unpacked, limits)) {
        fail({UpdateError::Kind::install, QStringLiteral("cannot unpack the archive: %1").arg(*refused)});
        return;
    }
    const auto candidate = BundleInstaller::findBundle(unpacked, m_hostPath);
    if (!candidate) {
        fail({UpdateError::Kind::install, QStringLiteral("the archive holds no app bundle")});
        return;
    }
    if (const auto refused = BundleInstaller::validate(*candidate, m_hostPath, m_applicationRelativePath)) {
        fail({UpdateError::Kind::install, *refused});
        return;
    }

    const AppcastItem item = m_session->item;
    m_delegate->willInstallUpdate(item);
    if (!m_session)
        return;
    if (const auto refused = BundleInstaller::swap(*candidate, m_hostPath)) {
        fail({UpdateError::Kind::install, *refused});
        return;
    }
    qCInfo(lcPlatform, "installed version %s at %s", qPrintable(item.displayVersionString), qPrintable(m_hostPath));

    const bool relaunch = m_delegate->shouldRelaunchApplication();
    finish(std::nullopt);
    if (!relaunch)
        return;
    const QString application = m_applicationRelativePath.isEmpty()
        ? m_applicationPath
        : QDir(m_hostPath).filePath(m_applicationRelativePath);
    const auto bundle = Bundle::open(application);
    const QString executable = bundle ? bundle->executablePath() : QString();
    if (!executable.isEmpty())
        m_options.relaunch(executable);
}
