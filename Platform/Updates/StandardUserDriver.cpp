#include "Platform/Updates/StandardUserDriver.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

namespace {

void bringForward(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

StandardUserDriver::StandardUserDriver(QString applicationName, Texts texts)
    : m_name(std::move(applicationName))
    , m_texts(std::move(texts))
{
}

StandardUserDriver::~StandardUserDriver()
{
    closeProgress();
    closeMessage();
}

void StandardUserDriver::showProgress(Stage stage, qint64 done, qint64 total, std::function<void()> cancel)
{
    closeMessage();
    const QString label = stage == Stage::checking ? m_texts.checking
        : stage == Stage::downloading              ? m_texts.downloading
                                                   : m_texts.installing;
    m_cancel = std::move(cancel);
    if (!m_progress) {
        m_progress = new QProgressDialog();
        m_progress->setAttribute(Qt::WA_DeleteOnClose);
        m_progress->setWindowTitle(m_name);
        m_progress->setAutoClose(false);
        m_progress->setAutoReset(false);
        m_progress->setMinimumDuration(0);
        QObject::connect(m_progress, &QProgressDialog::canceled, m_progress, [this] {
            // Taken first: cancelling ends the cycle, which closes this dialog.
            const auto cancel = std::exchange(m_cancel, {});
            if (cancel)
                cancel();
        });
    }
    m_progress->setLabelText(label);
    m_progress->setCancelButtonText(m_cancel ? m_texts.cancel : QString());
    // Byte counts past two gigabytes do not fit the dialog's int range; show per mille instead.
    if (total > 0) {
        m_progress->setRange(0, 1000);
        m_progress->setValue(int(std::clamp(done * 1000 / total, qint64(0), qint64(1000))));
    } else {
        m_progress->setRange(0, 0);
    }
    if (!m_progress->isVisible())
        bringForward(m_progress);
}

void StandardUserDriver::showUpdateFound(
    const AppcastItem& item, const QString& installedVersion, std::function<void(UpdateChoice)> reply)
{
    closeProgress();
    QMessageBox* box = newMessage(
        m_texts.updateFoundTitle, m_texts.updateFoundMessage.arg(item.displayVersionString, installedVersion));
    QPushButton* install = box->addButton(m_texts.install, QMessageBox::AcceptRole);
    QPushButton* skip = box->addButton(m_texts.skipThisVersion, QMessageBox::DestructiveRole);
    QPushButton* later = box->addButton(m_texts.later, QMessageBox::RejectRole);
    box->setDefaultButton(install);
    box->setEscapeButton(later);
    if (item.releaseNotesURL.isValid() && !item.releaseNotesURL.isEmpty()) {
        QPushButton* notes = box->addButton(m_texts.releaseNotes, QMessageBox::HelpRole);
        // Opening the notes leaves the question open.
        notes->disconnect();
        QObject::connect(
            notes, &QPushButton::clicked, box, [url = item.releaseNotesURL] { QDesktopServices::openUrl(url); });
    }
    auto answer = std::make_shared<std::function<void(UpdateChoice)>>(std::move(reply));
    QObject::connect(box, &QMessageBox::finished, box, [box, install, skip, answer] {
        const auto reply = std::exchange(*answer, {});
        if (!reply)
            return;
        if (box->clickedButton() == install)
            reply(UpdateChoice::install);
        else if (box->clickedButton() == skip)
            reply(UpdateChoice::skip);
        else
            reply(UpdateChoice::dismiss);
    });
    bringForward(box);
}

void StandardUserDriver::showUpdateNotFound(const QString& installedVersion)
{
    closeProgress();
    QMessageBox* box = newMessage(m_texts.upToDateTitle, m_texts.upToDateMessage.arg(installedVersion));
    box->addButton(m_texts.ok, QMessageBox::AcceptRole);
    bringForward(box);
}

void StandardUserDriver::showError(const UpdateError& error)
{
    closeProgress();
    QMessageBox* box = newMessage(m_texts.errorTitle, errorText(error));
    box->setIcon(QMessageBox::Warning);
    box->addButton(m_texts.ok, QMessageBox::AcceptRole);
    bringForward(box);
}

QString StandardUserDriver::errorText(const UpdateError& error) const
{
    switch (error.kind) {
    case UpdateError::Kind::download:
        return m_texts.downloadError;
    case UpdateError::Kind::signature:
        return m_texts.signatureError;
    case UpdateError::Kind::install:
        return m_texts.installError;
    case UpdateError::Kind::configuration:
        return m_texts.configurationError;
    case UpdateError::Kind::noUpdate:
    case UpdateError::Kind::cancelled:
    case UpdateError::Kind::feed:
        break;
    }
    return m_texts.feedError;
}

QProgressDialog* StandardUserDriver::progressDialog() const
{
    return m_progress;
}

QMessageBox* StandardUserDriver::messageBox() const
{
    return m_message;
}

void StandardUserDriver::dismiss()
{
    closeProgress();
    closeMessage();
}

QMessageBox* StandardUserDriver::newMessage(const QString& title, const QString& text)
{
    closeMessage();
    m_message = new QMessageBox();
    m_message->setAttribute(Qt::WA_DeleteOnClose);
    m_message->setWindowTitle(m_name);
    m_message->setIcon(QMessageBox::Information);
    // The texts carry what the feed says (its version names), which is nobody's markup: shown as
    // plain text, with no link in them to follow. Links open only through a button of ours.
    m_message->setTextFormat(Qt::PlainText);
    m_message->setText(title);
    m_message->setInformativeText(text);
    for (QLabel* label : m_message->findChildren<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
        label->setOpenExternalLinks(false);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    m_message->setWindowModality(Qt::NonModal);
    return m_message;
}

void StandardUserDriver::closeProgress()
{
    m_cancel = {};
    if (m_progress) {
        // No cancel report for a dialog we close ourselves.
        m_progress->disconnect();
        m_progress->close();
        m_progress = nullptr;
    }
}

void StandardUserDriver::closeMessage()
{
    if (m_message) {
        QMessageBox* box = m_message;
        m_message = nullptr;
        // A question closed by the program answers nothing.
        box->disconnect(box, &QMessageBox::finished, nullptr, nullptr);
        box->close();
    }
}
