#pragma once

#include <QObject>
#include <QString>

// Shows a notification on the desktop. Fire and forget: a desktop without a notification service
// simply shows nothing.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void notify(const QString& title, const QString& body) = 0;
};
