#pragma once
// The encryption object of the login window: authenticated encryption of a
// short text, keyed by the caller's key text together with a per-user secret
// kept outside the settings store (owner-only permissions), so a copied
// settings value is useless on another account.
#include "platform/zenlo_export.h"

#include <QString>

class ZENLO_CORE_EXPORT Encryption
{
public:
    // The secret lives in secretFile; empty means the user's configuration folder ("zenlo/secret.key").
    explicit Encryption(const QString &secretFile = QString());

    // Base64 text of nonce + ciphertext; empty when the secret cannot be had.
    QString Encrypt(const QString &text, const QString &key) const;
    // Empty when the value does not decrypt (wrong key, other user, tampered or garbage).
    QString Decrypt(const QString &value, const QString &key) const;
    // Whether the last Decrypt succeeded.
    bool lastDecryptOk() const { return m_ok; }

    static QString defaultSecretFile();
    QString secretFile() const { return m_secretFile; }

private:
    // Reads the 32-byte secret; creates it first when asked and it does not exist yet.
    bool readSecret(unsigned char *secret, bool create) const;
    bool deriveKey(unsigned char *key, const QString &keyText, bool create) const;

    QString m_secretFile;
    mutable bool m_ok = false;
};
