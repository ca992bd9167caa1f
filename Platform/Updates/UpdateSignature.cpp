#include "Platform/Updates/UpdateSignature.h"

#include <QFile>

#include <sodium.h>

namespace UpdateSignature {
namespace {

bool ready()
{
    // sodium_init is safe to call more than once; a negative result means no usable randomness.
    static const bool initialised = sodium_init() >= 0;
    return initialised;
}

std::optional<QByteArray> decodeExactly(const QByteArray& base64, qsizetype size)
{
    const auto decoded = QByteArray::fromBase64Encoding(base64.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != size)
        return std::nullopt;
    return decoded.decoded;
}

bool verifyBytes(const unsigned char* data, qsizetype size, const QByteArray& signatureBase64, const QByteArray& key)
{
    if (!ready() || key.size() != crypto_sign_PUBLICKEYBYTES)
        return false;
    const auto signature = decodeExactly(signatureBase64, crypto_sign_BYTES);
    if (!signature)
        return false;
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature->constData()), data,
               static_cast<unsigned long long>(size), reinterpret_cast<const unsigned char*>(key.constData()))
        == 0;
}

} // namespace

KeyPair generateKeyPair()
{
    KeyPair pair;
    if (!ready())
        return pair;
    pair.publicKey.resize(crypto_sign_PUBLICKEYBYTES);
    pair.secretKey.resize(crypto_sign_SECRETKEYBYTES);
    crypto_sign_keypair(reinterpret_cast<unsigned char*>(pair.publicKey.data()),
        reinterpret_cast<unsigned char*>(pair.secretKey.data()));
    return pair;
}

QByteArray sign(const QByteArray& data, const QByteArray& secretKey)
{
    if (!ready() || secretKey.size() != crypto_sign_SECRETKEYBYTES)
        return {};
    QByteArray signature(crypto_sign_BYTES, Qt::Uninitialized);
    crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
        reinterpret_cast<const unsigned char*>(data.constData()), static_cast<unsigned long long>(data.size()),
        reinterpret_cast<const unsigned char*>(secretKey.constData()));
    return signature;
}

QByteArray publicKeyOf(const QByteArray& secretKey)
{
    if (secretKey.size() != crypto_sign_SECRETKEYBYTES)
        return {};
    return secretKey.right(crypto_sign_PUBLICKEYBYTES);
}

std::optional<QByteArray> decodePublicKey(const QString& base64)
{
    return decodeExactly(base64.toLatin1(), crypto_sign_PUBLICKEYBYTES);
}

bool verify(const QByteArray& data, const QByteArray& signatureBase64, const QByteArray& publicKey)
{
    return verifyBytes(
        reinterpret_cast<const unsigned char*>(data.constData()), data.size(), signatureBase64, publicKey);
}

bool verifyFile(const QString& path, const QByteArray& signatureBase64, const QByteArray& publicKey)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.size() == 0)
        return verifyBytes(reinterpret_cast<const unsigned char*>(""), 0, signatureBase64, publicKey);
    const uchar* mapped = file.map(0, file.size());
    if (!mapped)
        return false;
    const bool valid = verifyBytes(mapped, file.size(), signatureBase64, publicKey);
    file.unmap(const_cast<uchar*>(mapped));
    return valid;
}

} // namespace UpdateSignature
