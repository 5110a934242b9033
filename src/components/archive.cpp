#include "components/archive.h"

#include "platform/ansi.h"
#include "platform/lateload.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTemporaryFile>

#include <archive.h>
#include <archive_entry.h>

#include <filesystem>
#include <memory>

#ifndef Q_OS_WIN
#include <clocale>
#include <locale.h>
#endif

namespace {

// libarchive converts names to the current locale's character set; in the
// "C" locale every non-ASCII name would become question marks. A UTF-8
// character set for this thread only keeps names intact (names stored
// without the UTF-8 mark then come through as their raw bytes).
class Utf8Names
{
public:
    Utf8Names()
    {
#ifndef Q_OS_WIN
        m_locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
        if (m_locale)
            m_previous = uselocale(m_locale);
#endif
    }
    ~Utf8Names()
    {
#ifndef Q_OS_WIN
        if (m_locale) {
            uselocale(m_previous);
            freelocale(m_locale);
        }
#endif
    }
    Utf8Names(const Utf8Names &) = delete;
    Utf8Names &operator=(const Utf8Names &) = delete;

private:
#ifndef Q_OS_WIN
    locale_t m_locale = nullptr;
    locale_t m_previous = nullptr;
#endif
};

// libarchive is opened when a map archive is first extracted or written, not by every start.
struct ArchiveApi {
#ifdef Q_OS_WIN
#define ZENLO_ARCHIVE_OPEN(X) X(archive_read_open_filename_w)
#else
#define ZENLO_ARCHIVE_OPEN(X) X(archive_read_open_filename)
#endif
#define ZENLO_ARCHIVE_FUNCTIONS(X) ZENLO_ARCHIVE_OPEN(X) X(archive_entry_filetype) X(archive_entry_free) X(archive_entry_hardlink) X(archive_entry_new) X(archive_entry_pathname) X(archive_entry_set_filetype) X(archive_entry_set_mtime) X(archive_entry_set_pathname_utf8) X(archive_entry_set_perm) X(archive_entry_set_size) X(archive_entry_symlink) X(archive_error_string) X(archive_read_data) X(archive_read_free) X(archive_read_new) X(archive_read_next_header) X(archive_read_support_format_zip_seekable) X(archive_write_close) X(archive_write_data) X(archive_write_free) X(archive_write_header) X(archive_write_new) X(archive_write_open2) X(archive_write_set_bytes_in_last_block) X(archive_write_set_format_zip) X(archive_write_set_options) X(archive_write_zip_set_compression_deflate)
#define ZENLO_ARCHIVE_MEMBER(f) decltype(&::f) f = nullptr;
    ZENLO_ARCHIVE_FUNCTIONS(ZENLO_ARCHIVE_MEMBER)
#undef ZENLO_ARCHIVE_MEMBER
    template <typename F>
    void forEach(F &&visit)
    {
#define ZENLO_ARCHIVE_VISIT(f) visit(f, #f);
        ZENLO_ARCHIVE_FUNCTIONS(ZENLO_ARCHIVE_VISIT)
#undef ZENLO_ARCHIVE_VISIT
    }
};

// The resolved library, or null with the reason it cannot be used.
const ArchiveApi *archiveApi(QString *why = nullptr)
{
    return lateload::once<ArchiveApi>(ZENLO_ARCHIVE_LIBRARY, why);
}

struct ReadCloser {
    void operator()(struct archive *a) const { archiveApi()->archive_read_free(a); }
};
struct WriteCloser {
    void operator()(struct archive *a) const { archiveApi()->archive_write_free(a); }
};

QString decodeName(const char *raw)
{
    if (!raw)
        return {};
    const QByteArray bytes(raw);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString name = utf8(bytes);
    if (!utf8.hasError())
        return name;
    return ansi::toUnicode(bytes);
}

// The stored name as a relative path below the destination, "/"-separated;
// empty when the name is absolute or leaves the destination.
QString safeRelativeName(QString name)
{
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')))
        return {};
    if (name.size() >= 2 && name.at(1) == QLatin1Char(':'))
        return {}; // drive letter
    QStringList kept;
    for (const QString &part : name.split(QLatin1Char('/'))) {
        if (part.isEmpty() || part == QLatin1String("."))
            continue;
        if (part == QLatin1String(".."))
            return {};
        for (QChar c : part)
            if (c.unicode() < 0x20)
                return {};
        kept << part;
    }
    return kept.join(QLatin1Char('/'));
}

std::filesystem::path toFsPath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// A zip without entries is only its end record (22 bytes and a comment);
// libarchive does not recognise it, yet it is a valid, empty archive.
bool isEmptyZip(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() < 22 || f.size() > 22 + 0xFFFF)
        return false;
    const QByteArray b = f.readAll();
    auto u16 = [&](int at) { return int(uchar(b[at])) | int(uchar(b[at + 1])) << 8; };
    return b.startsWith(QByteArray("PK\x05\x06", 4)) && u16(8) == 0 && u16(10) == 0 && 22 + u16(20) == b.size();
}

struct Pending {
    QString name;                          // relative stored name
    std::unique_ptr<QTemporaryFile> file;  // its bytes, beside the destination
    bool isDir = false;
};

} // namespace

bool zLibControl::Extract(const QString &archivePath, const QString &destFolder, bool, bool, bool, bool, bool, bool)
{
    m_lastError.clear();
    m_extracted.clear();
    auto fail = [this](const QString &why) {
        m_lastError = why;
        return false;
    };

    if (archivePath.isEmpty() || !QFileInfo(archivePath).isFile())
        return fail(QStringLiteral("archive not found: %1").arg(archivePath));
    if (destFolder.isEmpty())
        return fail(QStringLiteral("no destination folder"));
    if (!QDir().mkpath(destFolder))
        return fail(QStringLiteral("cannot create the destination folder %1").arg(destFolder));
    const QDir dest(destFolder);
    const QString destCanonical = QFileInfo(destFolder).canonicalFilePath();

    QString unusable;
    const ArchiveApi *A = archiveApi(&unusable);
    if (!A)
        return fail(QStringLiteral("zip archives cannot be read: %1").arg(unusable));
    Utf8Names utf8Names;
    std::unique_ptr<struct archive, ReadCloser> a(A->archive_read_new());
    // The seekable reader works from the central directory, so an archive
    // cut short anywhere (even between two complete entries) is refused
    // rather than extracted in part.
    A->archive_read_support_format_zip_seekable(a.get());
#ifdef Q_OS_WIN
    int r = A->archive_read_open_filename_w(a.get(), reinterpret_cast<const wchar_t *>(archivePath.utf16()), 64 * 1024);
#else
    int r = A->archive_read_open_filename(a.get(), QFile::encodeName(archivePath).constData(), 64 * 1024);
#endif
    if (r != ARCHIVE_OK && isEmptyZip(archivePath))
        return true;
    if (r != ARCHIVE_OK)
        return fail(QStringLiteral("not a readable zip archive: %1").arg(QString::fromUtf8(A->archive_error_string(a.get()))));

    std::vector<Pending> pending;
    qint64 unpacked = 0;
    for (;;) {
        struct archive_entry *entry = nullptr;
        r = A->archive_read_next_header(a.get(), &entry);
        if (r == ARCHIVE_EOF)
            break;
        if (r < ARCHIVE_WARN)
            return fail(QStringLiteral("damaged archive: %1").arg(QString::fromUtf8(A->archive_error_string(a.get()))));

        const QString stored = decodeName(A->archive_entry_pathname(entry));
        const QString name = safeRelativeName(stored);
        if (name.isEmpty())
            return fail(QStringLiteral("refused entry name \"%1\": it would leave the destination folder").arg(stored));
        if (A->archive_entry_hardlink(entry) || A->archive_entry_symlink(entry))
            return fail(QStringLiteral("refused entry \"%1\": links are not extracted").arg(stored));

        const auto type = A->archive_entry_filetype(entry);
        if (type == AE_IFDIR) {
            pending.push_back({name, nullptr, true});
            continue;
        }
        if (type != AE_IFREG)
            return fail(QStringLiteral("refused entry \"%1\": not a plain file").arg(stored));

        auto tmp = std::make_unique<QTemporaryFile>(dest.filePath(QStringLiteral(".zlib-XXXXXX.part")));
        if (!tmp->open())
            return fail(QStringLiteral("cannot write into %1").arg(destFolder));
        char buffer[64 * 1024];
        for (;;) {
            const la_ssize_t n = A->archive_read_data(a.get(), buffer, sizeof buffer);
            if (n == 0)
                break;
            if (n < 0)
                return fail(QStringLiteral("damaged entry \"%1\": %2").arg(stored, QString::fromUtf8(A->archive_error_string(a.get()))));
            unpacked += n;
            if (unpacked > m_sizeLimit)
                return fail(QStringLiteral("archive too large: its files unpack to more than %1 bytes (at entry \"%2\")")
                                .arg(m_sizeLimit)
                                .arg(stored));
            if (tmp->write(buffer, n) != n)
                return fail(QStringLiteral("cannot write \"%1\": %2").arg(stored, tmp->errorString()));
        }
        if (!tmp->flush())
            return fail(QStringLiteral("cannot write \"%1\": %2").arg(stored, tmp->errorString()));
        tmp->close();
        tmp->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        pending.push_back({name, std::move(tmp), false});
    }

    // Every entry read and checked: create the folders, then rename into place.
    for (const Pending &p : pending) {
        const QString target = dest.filePath(p.name);
        const QString folder = p.isDir ? target : QFileInfo(target).path();
        if (!dest.mkpath(p.isDir ? p.name : QFileInfo(p.name).path()))
            return fail(QStringLiteral("cannot create the folder %1").arg(folder));
        const QString canonical = QFileInfo(folder).canonicalFilePath();
        if (canonical != destCanonical && !canonical.startsWith(destCanonical + QLatin1Char('/')))
            return fail(QStringLiteral("refused entry \"%1\": its folder lies outside the destination").arg(p.name));
        if (!p.isDir && QFileInfo(target).isDir())
            return fail(QStringLiteral("cannot replace the folder %1 with a file").arg(target));
    }
    for (Pending &p : pending) {
        if (p.isDir)
            continue;
        std::error_code ec;
        std::filesystem::rename(toFsPath(p.file->fileName()), toFsPath(dest.filePath(p.name)), ec);
        if (ec)
            return fail(QStringLiteral("cannot move \"%1\" into place: %2").arg(p.name, QString::fromStdString(ec.message())));
        p.file->setAutoRemove(false);
        m_extracted << p.name;
    }
    return true;
}

namespace {

la_ssize_t writeToSaveFile(struct archive *, void *client, const void *buffer, size_t length)
{
    auto *out = static_cast<QSaveFile *>(client);
    const qint64 n = out->write(static_cast<const char *>(buffer), qint64(length));
    return n == qint64(length) ? la_ssize_t(n) : -1;
}

} // namespace

bool zLibControl::compress(const QList<Entry> &entries, const QString &zipPath)
{
    const ArchiveApi *A = archiveApi();
    if (!A)
        return false;
    QSaveFile out(zipPath);
    if (!out.open(QIODevice::WriteOnly))
        return false;

    Utf8Names utf8Names;
    std::unique_ptr<struct archive, WriteCloser> a(A->archive_write_new());
    A->archive_write_set_format_zip(a.get());
    A->archive_write_zip_set_compression_deflate(a.get());
    A->archive_write_set_options(a.get(), "hdrcharset=UTF-8");
    A->archive_write_set_bytes_in_last_block(a.get(), 1);
    if (A->archive_write_open2(a.get(), &out, nullptr, writeToSaveFile, nullptr, nullptr) != ARCHIVE_OK)
        return false;

    for (const Entry &e : entries) {
        QFile in(e.sourceFile);
        if (!in.open(QIODevice::ReadOnly))
            return false;
        const QByteArray bytes = in.readAll();
        struct archive_entry *entry = A->archive_entry_new();
        const QByteArray name = e.storedName.toUtf8();
        A->archive_entry_set_pathname_utf8(entry, name.constData());
        A->archive_entry_set_filetype(entry, AE_IFREG);
        A->archive_entry_set_perm(entry, 0644);
        A->archive_entry_set_size(entry, bytes.size());
        A->archive_entry_set_mtime(entry, QFileInfo(in).lastModified().toSecsSinceEpoch(), 0);
        const bool ok = A->archive_write_header(a.get(), entry) == ARCHIVE_OK
                        && A->archive_write_data(a.get(), bytes.constData(), size_t(bytes.size())) == la_ssize_t(bytes.size());
        A->archive_entry_free(entry);
        if (!ok)
            return false;
    }
    if (A->archive_write_close(a.get()) != ARCHIVE_OK)
        return false;
    return out.commit();
}

bool zLibControl::compress(const QString &sourceFile, const QString &zipPath, const QString &storedName)
{
    return compress({Entry{sourceFile, storedName.isEmpty() ? QFileInfo(sourceFile).fileName() : storedName}}, zipPath);
}
