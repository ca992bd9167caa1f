#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// The desktop's store of passwords and tokens. Every call answers later, on the caller's thread;
// a read answers nothing (nullopt) when there is no such entry or the store cannot be reached.
class SecretStore : public QObject {
    Q_OBJECT
public:
    using ReadHandler = std::function<void(std::optional<QString> secret)>;
    using WriteHandler = std::function<void(bool ok, QString error)>;

    using QObject::QObject;

    virtual void read(const QString& key, ReadHandler handler) = 0;
    virtual void write(const QString& key, const QString& secret, WriteHandler handler) = 0;
    virtual void remove(const QString& key, WriteHandler handler) = 0;
};
