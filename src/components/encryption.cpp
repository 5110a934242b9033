// Placeholder bodies: the encryption object is being written.
#include "components/encryption.h"

Encryption::Encryption(const QString &secretFile) : m_secretFile(secretFile) {}
QString Encryption::Encrypt(const QString &, const QString &) const { return {}; }
QString Encryption::Decrypt(const QString &, const QString &) const { m_ok = false; return {}; }
QString Encryption::defaultSecretFile() { return {}; }
