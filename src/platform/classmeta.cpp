#include "platform/classmeta.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QLibraryInfo>
#include <QVersionNumber>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QPluginLoader>

#include <memory>
#include <QRegularExpression>
#include <QSet>

namespace objects {

namespace {

constexpr int kMaxName = 255; // a registry key name

bool refuse(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
    return false;
}

bool isValidName(const QString &s)
{
    if (s.isEmpty() || s.size() > kMaxName)
        return false;
    for (char32_t c : s.toUcs4()) {
        if (c == U'\\' || QChar::isSpace(c) || !QChar::isPrint(c))
            return false;
    }
    return true;
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Reads a text field; false (with the reason) when it is missing, not text or not a name.
bool nameField(const QJsonObject &o, const QString &key, const QString &where, QString *value, QString *reason)
{
    const QJsonValue v = o.value(key);
    if (v.isUndefined())
        return refuse(reason, QStringLiteral("%1 has no \"%2\"").arg(where, key));
    if (!v.isString())
        return refuse(reason, QStringLiteral("%1: \"%2\" is not text").arg(where, key));
    *value = v.toString();
    if (!isValidName(*value))
        return refuse(reason, QStringLiteral("%1: \"%2\" is not a valid name").arg(where, key));
    return true;
}

bool guidField(const QJsonObject &o, const QString &key, const QString &where, QUuid *value, QString *reason)
{
    const QJsonValue v = o.value(key);
    if (v.isUndefined())
        return refuse(reason, QStringLiteral("%1 has no \"%2\"").arg(where, key));
    *value = v.isString() ? parseGuid(v.toString()) : QUuid();
    if (value->isNull()) {
        if (v.isString() && v.toString().compare(QLatin1String("{00000000-0000-0000-0000-000000000000}")) == 0)
            return refuse(reason, QStringLiteral("%1: \"%2\" is the nil GUID").arg(where, key));
        return refuse(reason, QStringLiteral("%1: \"%2\" is not a GUID {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}")
                                  .arg(where, key));
    }
    return true;
}

bool listField(const QJsonObject &o, const QString &key, const QString &where, QJsonArray *list, QString *reason)
{
    const QJsonValue v = o.value(key);
    if (v.isUndefined())
        return true;
    if (!v.isArray())
        return refuse(reason, QStringLiteral("%1: \"%2\" is not a list").arg(where, key));
    *list = v.toArray();
    return true;
}

// Qt's reason for a file without plug-in metadata, shortened to what an
// administrator needs and kept on one line.
QString loaderReason(const QString &error, const QString &path)
{
    QString detail = error;
    detail.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (detail.contains(QLatin1String("not a valid ELF object")) || detail.contains(QLatin1String("not a valid Mach-O"))
        || detail.contains(QLatin1String("not a valid PE"))) {
        static const QRegularExpression tail(QStringLiteral("\\(([^()]*)\\)\\s*$"));
        const QRegularExpressionMatch m = tail.match(detail);
        return m.hasMatch() ? QStringLiteral("not a loadable library (%1)").arg(m.captured(1))
                            : QStringLiteral("not a loadable library");
    }
    if (detail.contains(QLatin1String("metadata not found")) || detail.contains(QLatin1String("not a valid Qt plugin"))
        || detail.contains(QLatin1String("is not a Qt plugin")))
        return QStringLiteral("no class metadata (not a Qt plug-in)");
    // Anything else (another Qt version, a debug build): Qt's words without the path.
    const QString canonical = QFileInfo(path).canonicalFilePath();
    for (const QString &p : {canonical, path})
        if (!p.isEmpty())
            detail.replace(QLatin1Char('\'') + p + QLatin1Char('\''), QLatin1String("the library"));
    return QStringLiteral("refused by the plug-in loader: %1").arg(detail.trimmed());
}

} // namespace

QString reasonInChinese(const QString &reason)
{
    struct Known {
        const char *start;
        const char *text;
    };
    // The reasons of this folder, of modCreateObj and of the object factory, by their beginnings.
    static const Known known[] = {
        {"no such file", "文件不存在"},
        {"not a file", "不是文件"},
        {"library file not found", "注册的库文件不存在"},
        {"not a loadable library (empty file)", "文件是空的，不是可加载的库"},
        {"not a loadable library", "文件不是可加载的库（已损坏，或不是本平台的库）"},
        {"no class metadata", "库中没有类的说明（不是组件或插件库）"},
        {"refused by the plug-in loader", "插件加载器拒绝了这个库（版本或编译方式与本程序不符）"},
        {"not JSON", "库的类说明有错误"},
        {"the metadata", "库的类说明有错误"},
        {"class ", "库的类说明有错误"},
        {"the library cannot be loaded", "库不能加载（缺少它需要的库，或不是本平台的库）"},
        {"the library has no class-object entry point", "库没有创建对象的入口"},
        {"the library's root object threw", "库在加载时出错"},
        {"the class metadata lists no class", "库的类说明中没有类"},
        {"the library lists no class named", "库中没有这个名称的类"},
        {"the library does not serve the class", "库不提供这个类"},
        {"the library threw an exception", "库在创建对象时出错"},
        {"the class factory of", "库没有创建出对象"},
        {"the built-in class made no object", "内置的类没有创建出对象"},
        {"no class of this ProgID", "没有提供这个类的组件库：未内置、未注册，组件文件夹中也没有"},
        {"no library file given", "没有指定库文件"},
    };
    const QString t = reason.trimmed();
    if (t.isEmpty())
        return QStringLiteral("原因不明");
    // A reason may come after the file or class it is about ("lib.so: the library cannot be loaded").
    for (QStringView rest = t;;) {
        for (const Known &k : known)
            if (rest.startsWith(QLatin1String(k.start)))
                return QString::fromUtf8(k.text);
        const qsizetype colon = rest.indexOf(QLatin1String(": "));
        if (colon < 0)
            break;
        rest = rest.mid(colon + 2);
    }
    // Already in the operator's words (a plug-in's own message), or unknown.
    for (const QChar c : t)
        if (c.unicode() >= 0x3400)
            return t;
    return QStringLiteral("库不能使用");
}

QString guidText(const QUuid &id)
{
    return id.toString(QUuid::WithBraces).toUpper();
}

QUuid parseGuid(const QString &text)
{
    // Exactly {8-4-4-4-12}: QUuid alone also takes the digits without braces.
    if (text.size() != 38 || text.front() != QLatin1Char('{') || text.back() != QLatin1Char('}'))
        return {};
    for (int i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text.at(i) != QLatin1Char('-') : hexValue(text.at(i)) < 0)
            return {};
    }
    return QUuid::fromString(text);
}

bool parseClassMetadata(const QJsonObject &meta, LibraryMeta *out, QString *reason)
{
    LibraryMeta lib;
    if (!nameField(meta, QStringLiteral("library"), QStringLiteral("the metadata"), &lib.library, reason))
        return false;
    QJsonArray classes;
    if (!listField(meta, QStringLiteral("classes"), QStringLiteral("the metadata"), &classes, reason))
        return false;
    QSet<QUuid> seen;
    for (qsizetype i = 0; i < classes.size(); ++i) {
        const QString where = QStringLiteral("class %1").arg(i + 1);
        if (!classes.at(i).isObject())
            return refuse(reason, QStringLiteral("%1 is not an object").arg(where));
        const QJsonObject c = classes.at(i).toObject();
        ClassInfo info;
        if (!nameField(c, QStringLiteral("name"), where, &info.name, reason)
            || !guidField(c, QStringLiteral("clsid"), where, &info.clsid, reason))
            return false;
        if (lib.library.size() + 1 + info.name.size() > kMaxName)
            return refuse(reason, QStringLiteral("%1: the ProgID is longer than %2 characters").arg(where).arg(kMaxName));
        if (seen.contains(info.clsid))
            return refuse(reason, QStringLiteral("%1: \"clsid\" %2 belongs to an earlier class")
                                      .arg(where, guidText(info.clsid)));
        seen.insert(info.clsid);
        QJsonArray interfaces;
        if (!listField(c, QStringLiteral("interfaces"), where, &interfaces, reason))
            return false;
        for (qsizetype k = 0; k < interfaces.size(); ++k) {
            const QString iwhere = QStringLiteral("%1, interface %2").arg(where).arg(k + 1);
            if (!interfaces.at(k).isObject())
                return refuse(reason, QStringLiteral("%1 is not an object").arg(iwhere));
            const QJsonObject io = interfaces.at(k).toObject();
            InterfaceInfo ii;
            if (!nameField(io, QStringLiteral("name"), iwhere, &ii.name, reason)
                || !guidField(io, QStringLiteral("iid"), iwhere, &ii.iid, reason))
                return false;
            info.interfaces.append(ii);
        }
        lib.classes.append(info);
    }
    if (out)
        *out = std::move(lib);
    return true;
}

bool parseClassMetadata(const QByteArray &json, LibraryMeta *out, QString *reason)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return refuse(reason, QStringLiteral("not JSON: %1 at offset %2").arg(error.errorString()).arg(error.offset));
    if (!doc.isObject())
        return refuse(reason, QStringLiteral("the metadata is not a JSON object"));
    return parseClassMetadata(doc.object(), out, reason);
}

bool readClassMetadata(const QString &path, LibraryMeta *out, QString *reason)
{
    return readClassMetadata(path, out, reason, nullptr);
}

bool readClassMetadata(const QString &path, LibraryMeta *out, QString *reason, QPluginLoader **kept)
{
    if (kept)
        *kept = nullptr;
    const QFileInfo fi(path);
    if (path.isEmpty() || !fi.exists())
        return refuse(reason, QStringLiteral("no such file"));
    if (!fi.isFile())
        return refuse(reason, QStringLiteral("not a file"));
    if (fi.size() == 0)
        return refuse(reason, QStringLiteral("not a loadable library (empty file)"));
    // An absolute path, so the loader never searches its library paths for a namesake.
    auto loader = std::make_unique<QPluginLoader>(fi.absoluteFilePath());
    const QJsonObject all = loader->metaData();
    const QString loaderError = loader->errorString();
    if (kept)
        *kept = loader.release();
    if (all.isEmpty())
        return refuse(reason, loaderReason(loaderError, fi.absoluteFilePath()));
    // The loader reads the metadata of a plug-in built for another Qt, and refuses it only when
    // it is loaded: such a library serves no class here, so it is refused now, with the versions.
    const int built = all.value(QLatin1String("version")).toInt();
    const QVersionNumber running = QLibraryInfo::version();
    if ((built >> 16) != running.majorVersion() || ((built >> 8) & 0xff) > running.minorVersion())
        return refuse(reason, QStringLiteral("refused by the plug-in loader: built for Qt %1.%2, this program uses Qt %3.%4")
                                  .arg(built >> 16)
                                  .arg((built >> 8) & 0xff)
                                  .arg(running.majorVersion())
                                  .arg(running.minorVersion()));
    const QJsonValue meta = all.value(QLatin1String("MetaData"));
    if (!meta.isObject())
        return refuse(reason, QStringLiteral("no class metadata (the plug-in carries none)"));
    return parseClassMetadata(meta.toObject(), out, reason);
}

} // namespace objects
