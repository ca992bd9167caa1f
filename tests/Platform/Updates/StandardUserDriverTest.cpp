#include "Platform/Updates/StandardUserDriver.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

StandardUserDriver::Texts texts()
{
    StandardUserDriver::Texts t;
    t.checking = QStringLiteral("checking");
    t.downloading = QStringLiteral("downloading");
    t.installing = QStringLiteral("installing");
    t.cancel = QStringLiteral("cancel");
    t.updateFoundTitle = QStringLiteral("found");
    t.updateFoundMessage = QStringLiteral("%1 over %2");
    t.install = QStringLiteral("install");
    t.skipThisVersion = QStringLiteral("skip");
    t.later = QStringLiteral("later");
    t.releaseNotes = QStringLiteral("notes");
    t.upToDateTitle = QStringLiteral("current");
    t.upToDateMessage = QStringLiteral("%1 is newest");
    t.errorTitle = QStringLiteral("failed");
    t.feedError = QStringLiteral("feed");
    t.downloadError = QStringLiteral("download");
    t.signatureError = QStringLiteral("signature");
    t.installError = QStringLiteral("install failed");
    t.configurationError = QStringLiteral("configuration");
    t.ok = QStringLiteral("ok");
    return t;
}

QAbstractButton* button(QMessageBox* box, const QString& text)
{
    for (QAbstractButton* b : box->buttons())
        if (b->text() == text)
            return b;
    return nullptr;
}

} // namespace

TEST(StandardUserDriver, TheOfferAnswersWithTheButtonClickedOnce)
{
    for (const auto& [label, expected] : {std::pair {QStringLiteral("install"), UpdateChoice::install},
             std::pair {QStringLiteral("skip"), UpdateChoice::skip},
             std::pair {QStringLiteral("later"), UpdateChoice::dismiss}}) {
        StandardUserDriver driver(QStringLiteral("Vantor"), texts());
        AppcastItem item;
        item.displayVersionString = QStringLiteral("1.6");
        QList<UpdateChoice> replies;
        driver.showUpdateFound(item, QStringLiteral("1.5"), [&](UpdateChoice c) { replies.append(c); });
        QMessageBox* box = driver.messageBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->informativeText(), QStringLiteral("1.6 over 1.5"));
        // No release notes link, no notes button.
        EXPECT_EQ(button(box, QStringLiteral("notes")), nullptr);
        QTest::mouseClick(button(box, label), Qt::LeftButton);
        EXPECT_EQ(replies, QList<UpdateChoice> {expected}) << label.toStdString();
    }
}

TEST(StandardUserDriver, ProgressCancelsAndOutcomesReplaceIt)
{
    StandardUserDriver driver(QStringLiteral("Vantor"), texts());
    int cancelled = 0;
    driver.showProgress(UpdateUserDriver::Stage::downloading, 512, 1024, [&] { ++cancelled; });
    QProgressDialog* progress = driver.progressDialog();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->labelText(), QStringLiteral("downloading"));
    EXPECT_EQ(progress->value(), 500);
    // Sizes past what an int holds still show.
    driver.showProgress(UpdateUserDriver::Stage::downloading, qint64(3) << 31, qint64(4) << 31, [&] { ++cancelled; });
    EXPECT_EQ(progress->value(), 750);
    QPushButton* cancel = progress->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_EQ(cancelled, 1);

    driver.showError({UpdateError::Kind::signature, QStringLiteral("bad")});
    EXPECT_EQ(driver.progressDialog(), nullptr);
    ASSERT_NE(driver.messageBox(), nullptr);
    EXPECT_EQ(driver.messageBox()->informativeText(), QStringLiteral("signature"));
    // Closing a dialog ourselves reports no cancel.
    driver.showProgress(UpdateUserDriver::Stage::installing, 0, 0, {});
    driver.dismiss();
    EXPECT_EQ(cancelled, 1);
    EXPECT_EQ(driver.errorText({UpdateError::Kind::feed, {}}), QStringLiteral("feed"));
}

TEST(StandardUserDriver, WhatTheFeedSaysIsShownAsPlainTextWithoutLinks)
{
    StandardUserDriver driver(QStringLiteral("Vantor"), texts());
    AppcastItem item;
    const QString hostile = QStringLiteral("<a href=\"https://evil.example/\">2.0</a><img src=\"file:///etc/passwd\">");
    item.displayVersionString = hostile;
    item.releaseNotesURL = QUrl(QStringLiteral("https://example.org/notes.html"));
    driver.showUpdateFound(item, QStringLiteral("1.5"), [](UpdateChoice) {});
    QMessageBox* box = driver.messageBox();
    ASSERT_NE(box, nullptr);
    bool shown = false;
    for (const QLabel* label : box->findChildren<QLabel*>()) {
        if (!label->text().contains(QStringLiteral("evil")))
            continue;
        shown = true;
        // The markup is there to read, as characters, and nothing in it can be followed.
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_FALSE(label->openExternalLinks());
        EXPECT_FALSE(label->textInteractionFlags() & Qt::LinksAccessibleByMouse);
        EXPECT_EQ(label->text(), hostile + QStringLiteral(" over 1.5"));
    }
    EXPECT_TRUE(shown);
    // The notes open only through their own button.
    EXPECT_NE(button(box, QStringLiteral("notes")), nullptr);
}
