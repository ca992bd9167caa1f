#include "VantorAgent/Updates/UpdateDialogTexts.h"

#include "VantorShared/Language/AppLanguage.h"

namespace UpdateDialogTexts {

StandardUserDriver::Texts make()
{
    StandardUserDriver::Texts texts;
    texts.checking = AppLanguage::string(QStringLiteral("Checking for updates…"));
    texts.downloading = AppLanguage::string(QStringLiteral("Downloading update…"));
    texts.installing = AppLanguage::string(QStringLiteral("Installing update…"));
    texts.cancel = AppLanguage::string(QStringLiteral("Cancel"));
    texts.updateFoundTitle = AppLanguage::string(QStringLiteral("A new version of Vantor is available"));
    texts.updateFoundMessage
        = AppLanguage::string(QStringLiteral("Vantor %1 is available; you have %2. Install it now?"));
    texts.install = AppLanguage::string(QStringLiteral("Install"));
    texts.skipThisVersion = AppLanguage::string(QStringLiteral("Skip This Version"));
    texts.later = AppLanguage::string(QStringLiteral("Later"));
    texts.releaseNotes = AppLanguage::string(QStringLiteral("Release Notes"));
    texts.upToDateTitle = AppLanguage::string(QStringLiteral("You're up to date"));
    texts.upToDateMessage = AppLanguage::string(QStringLiteral("Vantor %1 is the newest version available."));
    texts.errorTitle = AppLanguage::string(QStringLiteral("Update failed"));
    texts.feedError = AppLanguage::string(
        QStringLiteral("Vantor could not check for updates. Check your network connection and try again."));
    texts.downloadError = AppLanguage::string(QStringLiteral("The update could not be downloaded. Try again later."));
    texts.signatureError
        = AppLanguage::string(QStringLiteral("The update is not signed correctly, so it was not installed."));
    texts.installError
        = AppLanguage::string(QStringLiteral("The update could not be installed. Your current version is unchanged."));
    texts.configurationError = AppLanguage::string(QStringLiteral("Updates are not set up for this installation."));
    texts.ok = AppLanguage::string(QStringLiteral("OK"));
    return texts;
}

} // namespace UpdateDialogTexts
