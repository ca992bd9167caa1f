#pragma once

#include "Platform/Updates/UpdateUserDriver.h"

#include <QStringList>
#include <QTimer>

// Records what a user would see and answers an offer with a preset choice, a turn of the event
// loop later, as a person clicking would.
class FakeUpdateUserDriver final : public UpdateUserDriver {
public:
    void showProgress(Stage stage, qint64, qint64, std::function<void()> cancelHandler) override
    {
        const QString name = stage == Stage::checking ? QStringLiteral("checking")
            : stage == Stage::downloading             ? QStringLiteral("downloading")
                                                      : QStringLiteral("installing");
        if (shown.isEmpty() || shown.last() != name)
            shown.append(name);
        cancel = std::move(cancelHandler);
    }
    void showUpdateFound(
        const AppcastItem& item, const QString& installed, std::function<void(UpdateChoice)> reply) override
    {
        shown.append(QStringLiteral("offer %1 over %2").arg(item.displayVersionString, installed));
        if (answer)
            QTimer::singleShot(0, [reply, choice = *answer] { reply(choice); });
        else
            pendingReply = std::move(reply);
    }
    void showUpdateNotFound(const QString& installed) override
    {
        shown.append(QStringLiteral("up to date %1").arg(installed));
    }
    void showError(const UpdateError& error) override
    {
        shown.append(QStringLiteral("error"));
        errors.append(error);
    }
    void dismiss() override { shown.append(QStringLiteral("dismissed")); }

    std::optional<UpdateChoice> answer = UpdateChoice::install;
    std::function<void(UpdateChoice)> pendingReply;
    std::function<void()> cancel;
    QStringList shown;
    QList<UpdateError> errors;
};
