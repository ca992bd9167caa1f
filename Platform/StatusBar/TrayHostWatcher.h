#pragma once

#include <QObject>

// Tells whether the desktop has a tray that takes items over the session bus, and when that
// changes (a panel that starts, quits or restarts).
class TrayHostWatcher : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool isHostPresent() const = 0;

signals:
    void hostPresenceChanged(bool present);
};
