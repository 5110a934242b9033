#include "components/encryption.h"

#include "components/sodiuminit.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <sodium.h>

#ifndef Q_OS_WIN
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#endif

Q_LOGGING_CATEGORY(lcEncryption, "zenlo.encryption")

namespace {

constexpr size_t kSecretBytes = 32;
static_assert(crypto_secretbox_KEYBYTES == 32, "the derived key fills a secretbox key");

constexpr QFileDevice::Permissions kOwnerFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kOwnerDir = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

bool ownerOnly(QFileDevice::Permissions p)
{
    return !(p & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                  | QFileDevice::WriteOther | QFileDevice::ExeOther));
}

// Writes a fresh secret without ever replacing one: when two programs start at
// the same moment, the one that links its file first wins and the other reads it.
bool createSecretFile(const QString &path)
{
    unsigned char fresh[kSecretBytes];
    zenlo::sodium()->randombytes_buf(fresh, sizeof fresh);
    bool ok = false;
#ifndef Q_OS_WIN
    QByteArray tmp = QFile::encodeName(QFileInfo(path).absolutePath() + QStringLiteral("/.secret-XXXXXX"));
    const int fd = mkstemp(tmp.data()); // created 0600
    if (fd >= 0) {
        ok = ::write(fd, fresh, sizeof fresh) == ssize_t(sizeof fresh) && ::fsync(fd) == 0;
        ::close(fd);
        if (ok && ::link(tmp.constData(), QFile::encodeName(path).constData()) != 0 && errno != EEXIST)
            ok = false;
        ::unlink(tmp.constData());
    }
#else
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        ok = f.write(reinterpret_cast<const char *>(fresh), sizeof fresh) == qint64(sizeof fresh);
        f.close();
        if (!ok)
            f.remove();
        else
            f.setPermissions(kOwnerFile);
    } else {
        ok = f.exists();
    }
#endif
    zenlo::sodium()->sodium_memzero(fresh, sizeof fresh);
    return ok;
}

} // namespace

Encryption::Encryption(const QString &secretFile)
    : m_secretFile(secretFile.isEmpty() ? defaultSecretFile() : secretFile)
{
}

QString Encryption::defaultSecretFile()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        return {};
    return base + QStringLiteral("/zenlo/secret.key");
}

bool Encryption::readSecret(unsigned char *secret, bool create) const
{
    if (m_secretFile.isEmpty())
        return false;
    const QFileInfo info(m_secretFile);
    if (!info.exists()) {
        if (!create)
            return false;
        const QString dir = info.absolutePath();
        if (!QFileInfo(dir).isDir()) {
            if (!QDir().mkpath(dir)) {
                qCWarning(lcEncryption) << "cannot create the folder of the secret:" << dir;
                return false;
            }
            QFile::setPermissions(dir, kOwnerDir);
        } else if (m_secretFile == defaultSecretFile()) {
            // Our own folder under the user's configuration: nobody else has business in it.
            QFile::setPermissions(dir, kOwnerDir);
        }
        if (!createSecretFile(m_secretFile)) {
            qCWarning(lcEncryption) << "cannot create the secret:" << m_secretFile;
            return false;
        }
    }
    QFile f(m_secretFile);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    if (!ownerOnly(f.permissions()))
        f.setPermissions(kOwnerFile);
    QByteArray bytes = f.read(kSecretBytes + 1);
    const bool ok = bytes.size() == qsizetype(kSecretBytes);
    if (ok)
        memcpy(secret, bytes.constData(), kSecretBytes);
    else
        qCWarning(lcEncryption) << "the secret file is damaged:" << m_secretFile;
    zenlo::sodium()->sodium_memzero(bytes.data(), size_t(bytes.size()));
    return ok;
}

bool Encryption::deriveKey(unsigned char *key, const QString &keyText, bool create) const
{
    unsigned char secret[kSecretBytes];
    if (!zenlo::sodiumReady() || !readSecret(secret, create))
        return false;
    // The caller's key text alone is public (it is written in the program);
    // keyed with the per-user secret it becomes one this account alone can make.
    const QByteArray message = QByteArrayLiteral("zenlo.encryption.v1:") + keyText.toUtf8();
    const int rc = zenlo::sodium()->crypto_generichash(key, crypto_secretbox_KEYBYTES, reinterpret_cast<const unsigned char *>(message.constData()),
                                      quint64(message.size()), secret, sizeof secret);
    zenlo::sodium()->sodium_memzero(secret, sizeof secret);
    return rc == 0;
}

QString Encryption::Encrypt(const QString &text, const QString &key) const
{
    unsigned char k[crypto_secretbox_KEYBYTES];
    if (!deriveKey(k, key, true))
        return {};
    QByteArray plain = text.toUtf8();
    QByteArray out(qsizetype(crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES) + plain.size(), '\0');
    auto *o = reinterpret_cast<unsigned char *>(out.data());
    zenlo::sodium()->randombytes_buf(o, crypto_secretbox_NONCEBYTES);
    const int rc = zenlo::sodium()->crypto_secretbox_easy(o + crypto_secretbox_NONCEBYTES,
                                         reinterpret_cast<const unsigned char *>(plain.constData()), quint64(plain.size()), o, k);
    zenlo::sodium()->sodium_memzero(k, sizeof k);
    zenlo::sodium()->sodium_memzero(plain.data(), size_t(plain.size()));
    if (rc != 0)
        return {};
    return QString::fromLatin1(out.toBase64());
}

QString Encryption::Decrypt(const QString &value, const QString &key) const
{
    m_ok = false;
    const QString trimmed = value.trimmed();
    if (trimmed.isEmpty())
        return {};
    const auto decoded = QByteArray::fromBase64Encoding(trimmed.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return {};
    const QByteArray &box = *decoded;
    constexpr qsizetype overhead = crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES;
    if (box.size() < overhead)
        return {};
    unsigned char k[crypto_secretbox_KEYBYTES];
    if (!deriveKey(k, key, false))
        return {};
    QByteArray plain(box.size() - overhead, '\0');
    const auto *b = reinterpret_cast<const unsigned char *>(box.constData());
    const int rc = zenlo::sodium()->crypto_secretbox_open_easy(reinterpret_cast<unsigned char *>(plain.data()), b + crypto_secretbox_NONCEBYTES,
                                              quint64(box.size()) - crypto_secretbox_NONCEBYTES, b, k);
    zenlo::sodium()->sodium_memzero(k, sizeof k);
    if (rc != 0)
        return {};
    m_ok = true;
    const QString text = QString::fromUtf8(plain);
    zenlo::sodium()->sodium_memzero(plain.data(), size_t(plain.size()));
    return text;
}
