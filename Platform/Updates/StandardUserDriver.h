#pragma once

#include "Platform/Updates/UpdateUserDriver.h"

#include <QPointer>
#include <QString>

#include <functional>

class QMessageBox;
class QProgressDialog;

// Small Qt dialogs for the checks a user starts: a progress window while checking, downloading
// and installing, then the offer, "up to date" or the error. They come to the front when they
// appear, since the program that shows them has no window of its own.
class StandardUserDriver final : public UpdateUserDriver {
public:
    // The texts the dialogs show, already in the user's language. "%1" and "%2" stand for the
    // versions where a text names them.
    struct Texts {
        QString checking, downloading, installing, cancel;
        QString updateFoundTitle, updateFoundMessage; // %1 new version, %2 installed version
        QString install, skipThisVersion, later, releaseNotes;
        QString upToDateTitle, upToDateMessage; // %1 installed version
        QString errorTitle, feedError, downloadError, signatureError, installError, configurationError;
        QString ok;
    };

    // `applicationName` titles every dialog.
    StandardUserDriver(QString applicationName, Texts texts);
    ~StandardUserDriver() override;

    void showProgress(Stage stage, qint64 done, qint64 total, std::function<void()> cancel) override;
    void showUpdateFound(
        const AppcastItem& item, const QString& installedVersion, std::function<void(UpdateChoice)> reply) override;
    void showUpdateNotFound(const QString& installedVersion) override;
    void showError(const UpdateError& error) override;
    void dismiss() override;

    // What is on screen; for tests.
    QProgressDialog* progressDialog() const;
    QMessageBox* messageBox() const;

    // The text the user sees for an error of this kind.
    QString errorText(const UpdateError& error) const;

private:
    void closeProgress();
    void closeMessage();
    QMessageBox* newMessage(const QString& title, const QString& text);

    QString m_name;
    Texts m_texts;
    QPointer<QProgressDialog> m_progress;
    QPointer<QMessageBox> m_message;
    std::function<void()> m_cancel;
};
