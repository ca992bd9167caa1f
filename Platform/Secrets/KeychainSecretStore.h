#pragma once

#include "Platform/Secrets/SecretStore.h"

// The secret service of the desktop (GNOME Keyring, KWallet) through Qt Keychain. Entries live
// under one service name; nothing is ever written to a plain file in its place.
class KeychainSecretStore : public SecretStore {
    Q_OBJECT
public:
    explicit KeychainSecretStore(QString service, QObject* parent = nullptr);

    void read(const QString& key, ReadHandler handler) override;
    void write(const QString& key, const QString& secret, WriteHandler handler) override;
    void remove(const QString& key, WriteHandler handler) override;

private:
    QString m_service;
};
