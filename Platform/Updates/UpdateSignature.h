#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Ed25519 signatures of update archives (libsodium). Keys and signatures travel as base64 text:
// the public key in the app's Info.plist, the signature in the feed.
namespace UpdateSignature {

struct KeyPair {
    QByteArray publicKey; // 32 bytes
    QByteArray secretKey; // 64 bytes (seed followed by the public key)
};

KeyPair generateKeyPair();
// The 64-byte detached signature of `data`; empty when the secret key has the wrong size.
QByteArray sign(const QByteArray& data, const QByteArray& secretKey);
// The public key inside a secret key; empty when the secret key has the wrong size.
QByteArray publicKeyOf(const QByteArray& secretKey);

// The 32 bytes of a base64 public key; none when the text is not that.
std::optional<QByteArray> decodePublicKey(const QString& base64);
// True only when `signatureBase64` is a valid signature of `data` by `publicKey`.
bool verify(const QByteArray& data, const QByteArray& signatureBase64, const QByteArray& publicKey);
// The same for a file, which is mapped rather than copied; false when it cannot be read.
bool verifyFile(const QString& path, const QByteArray& signatureBase64, const QByteArray& publicKey);

} // namespace UpdateSignature
