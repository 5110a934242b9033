#pragma once
// Path macros and the small routines every module uses for file paths and
// yes/no settings. The Windows style follows the suite's rules to the letter
// (backslashes, drive letters, names lower-cased); the POSIX style is what the
// same configuration means on Linux (see README: "Paths").
#include "platform/zenlo_export.h"

#include <QDate>
#include <QString>
#include <QVariant>

enum class PathStyle { Windows, Posix };

struct ZENLO_CORE_EXPORT PathContext {
    PathStyle style = PathStyle::Posix;
    QString programFolder; // without a trailing separator
    QDate today;

    // The running program: native style, its folder, today's date.
    static PathContext current();
    QChar separator() const { return style == PathStyle::Windows ? QLatin1Char('\\') : QLatin1Char('/'); }
};

ZENLO_CORE_EXPORT PathStyle nativePathStyle();

namespace bCommon {

ZENLO_CORE_EXPORT QString ExpandPath(const QString &path, bool keepRelative = false);
ZENLO_CORE_EXPORT QString ExpandPath(const QString &path, bool keepRelative, const PathContext &ctx);

ZENLO_CORE_EXPORT QString GetFullPath(const QString &path);
ZENLO_CORE_EXPORT QString GetFullPath(const QString &path, const PathContext &ctx);

ZENLO_CORE_EXPORT bool GetBool(const QVariant &value);

ZENLO_CORE_EXPORT bool MakeDirs(const QString &path);
ZENLO_CORE_EXPORT bool MakeDirs(const QString &path, PathStyle style);

// The configuration's twin of ExpandPath: lower-casing only when asked, no
// trimming, no shortcut for an empty text (an empty path becomes the folder).
ZENLO_CORE_EXPORT QString ExpandPathTwin(const QString &path, bool lowerCase, bool keepRelative, const PathContext &ctx);

// A path in the given style as the file system here names it ("" when it cannot
// exist here, such as a drive letter on Linux).
ZENLO_CORE_EXPORT QString toNativePath(const QString &path, PathStyle style);

} // namespace bCommon
