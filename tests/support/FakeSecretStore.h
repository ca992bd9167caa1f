#pragma once

#include "Platform/Secrets/SecretStore.h"

#include <QHash>
#include <QTimer>

// The secret service in memory; answers on the next turn of the event loop, as the real one does.
class FakeSecretStore : public SecretStore {
public:
    QHash<QString, QString> entries;
    int reads = 0;

    void read(const QString& key, ReadHandler handler) override
    {
        ++reads;
        std::optional<QString> secret;
        if (entries.contains(key))
            secret = entries.value(key);
        QTimer::singleShot(0, this, [handler = std::move(handler), secret] { handler(secret); });
    }
    void write(const QString& key, const QString& secret, WriteHandler handler) override
    {
        entries.insert(key, secret);
        QTimer::singleShot(0, this, [handler = std::move(handler)] { handler(true, {}); });
    }
    void remove(const QString& key, WriteHandler handler) override
    {
        entries.remove(key);
        QTimer::singleShot(0, this, [handler = std::move(handler)] { handler(true, {}); });
    }
};
