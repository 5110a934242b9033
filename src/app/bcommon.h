#pragma once
// Path macros and the small routines every module uses for file paths and
// yes/no settings. The Windows style follows the suite's rules to the letter
// (backslashes, drive letters, names lower-cased); the POSIX style is what the
// same configuration means on Linux (see README: "Paths").
#include <QDate>
#include <QString>
#include <QVariant>

enum class PathStyle { Windows, Posix };

struct PathContext {
    PathStyle style = PathStyle::Posix;
    QString programFolder; // without a trailing separator
    QDate today;

    // The running program: native style, its folder, today's date.
    static PathContext current();
    QChar separator() const { return style == PathStyle::Windows ? QLatin1Char('\\') : QLatin1Char('/'); }
};

PathStyle nativePathStyle();

namespace bCommon {

QString ExpandPath(const QString &path, bool keepRelative = false);
QString ExpandPath(const QString &path, bool keepRelative, const PathContext &ctx);

QString GetFullPath(const QString &path);
QString GetFullPath(const QString &path, const PathContext &ctx);

bool GetBool(const QVariant &value);

bool MakeDirs(const QString &path);
bool MakeDirs(const QString &path, PathStyle style);

// The configuration's twin of ExpandPath: lower-casing only when asked, no
// trimming, no shortcut for an empty text (an empty path becomes the folder).
QString ExpandPathTwin(const QString &path, bool lowerCase, bool keepRelative, const PathContext &ctx);

// A path in the given style as the file system here names it ("" when it cannot
// exist here, such as a drive letter on Linux).
QString toNativePath(const QString &path, PathStyle style);

} // namespace bCommon
