#include "Platform/Secrets/KeychainSecretStore.h"

#include "Platform/Logging/PlatformLog.h"

#include <qt6keychain/keychain.h>

KeychainSecretStore::KeychainSecretStore(QString service, QObject* parent)
    : SecretStore(parent)
    , m_service(std::move(service))
{
}

void KeychainSecretStore::read(const QString& key, ReadHandler handler)
{
    auto* job = new QKeychain::ReadPasswordJob(m_service, this);
    job->setKey(key);
    // Never fall back to an unencrypted file when no secret service runs.
    job->setInsecureFallback(false);
    connect(job, &QKeychain::Job::finished, this, [handler = std::move(handler)](QKeychain::Job* finished) {
        auto* reading = static_cast<QKeychain::ReadPasswordJob*>(finished);
        if (reading->error() != QKeychain::NoError) {
            if (reading->error() != QKeychain::EntryNotFound)
                qCInfo(lcPlatform, "cannot read a secret: %s", qUtf8Printable(reading->errorString()));
            handler(std::nullopt);
            return;
        }
        handler(reading->textData());
    });
    job->start();
}

void KeychainSecretStore::write(const QString& key, const QString& secret, WriteHandler handler)
{
    auto* job = new QKeychain::WritePasswordJob(m_service, this);
    job->setKey(key);
    job->setInsecureFallback(false);
    job->setTextData(secret);
    connect(job, &QKeychain::Job::finished, this, [handler = std::move(handler)](QKeychain::Job* finished) {
        const bool ok = finished->error() == QKeychain::NoError;
        if (!ok)
            qCInfo(lcPlatform, "cannot store a secret: %s", qUtf8Printable(finished->errorString()));
        handler(ok, ok ? QString() : finished->errorString());
    });
    job->start();
}

void KeychainSecretStore::remove(const QString& key, WriteHandler handler)
{
    auto* job = new QKeychain::DeletePasswordJob(m_service, this);
    job->setKey(key);
    job->setInsecureFallback(false);
    connect(job, &QKeychain::Job::finished, this, [handler = std::move(handler)](QKeychain::Job* finished) {
        const bool ok = finished->error() == QKeychain::NoError || finished->error() == QKeychain::EntryNotFound;
        handler(ok, ok ? QString() : finished->errorString());
    });
    job->start();
}
