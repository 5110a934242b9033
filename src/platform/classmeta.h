#pragma once
// The class metadata of a loadable library: this platform's type library.
//
// A loadable library is a Qt plug-in whose metadata (Q_PLUGIN_METADATA with a
// JSON file) describes the classes it serves:
//   {"library": "LwEdit",
//    "classes": [{"name": "oedit", "clsid": "{8-4-4-4-12 GUID}",
//                 "interfaces": [{"name": "_IExtPluginUI", "iid": "{GUID}"}]}]}
// A class's ProgID is library + "." + class name. The metadata is read from the
// file itself (the ELF note Qt writes), so no code of the library runs and a
// library built for another processor can be listed or refused alike.
//
// Validation is strict, and a refusal comes with a one-line reason:
//  - the library and every class and interface have a name: 1 to 255
//    characters, no white space, control character or "\" (a ProgID is a
//    registry key name), and a ProgID of at most 255 characters;
//  - every class has a clsid and every interface an iid, each written
//    "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" in hex digits; a class id is not the
//    nil GUID and not shared by two classes of the library;
//  - "classes" and "interfaces" are lists when present. A library without
//    classes is valid: it simply serves none.
// Unknown keys are ignored, so later tools can add their own.
#include "platform/zenlo_export.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUuid>

class QPluginLoader;

namespace objects {

struct InterfaceInfo {
    QString name;
    QUuid iid;
};

struct ClassInfo {
    QString name;
    QUuid clsid;
    QList<InterfaceInfo> interfaces;
};

struct LibraryMeta {
    QString library;
    QList<ClassInfo> classes; // in metadata order
    QString progId(const ClassInfo &c) const { return library + QLatin1Char('.') + c.name; }
};

// Reads the metadata of the library file at path without loading it. False, with
// *reason, for a missing file, a file that is no loadable library, a library
// without class metadata, a plug-in built for another Qt (another major version
// or a later minor one: it could not be loaded), or invalid metadata; *out is
// then left unchanged.
ZENLO_CORE_EXPORT bool readClassMetadata(const QString &path, LibraryMeta *out, QString *reason = nullptr);
// The same, handing back the loader that read the file (when the file was read at all; the
// caller owns it), so that loading the library afterwards does not read the file a second time.
ZENLO_CORE_EXPORT bool readClassMetadata(const QString &path, LibraryMeta *out, QString *reason, QPluginLoader **loader);
// A library's refusal (a reason above, of the loader, or of creating an object
// from the library) in the operator's words; the English reason itself belongs
// in the log and on the diagnostics page, beside this text.
ZENLO_CORE_EXPORT QString reasonInChinese(const QString &reason);
// The same checks on the metadata JSON itself (the file's "MetaData" object).
ZENLO_CORE_EXPORT bool parseClassMetadata(const QByteArray &json, LibraryMeta *out, QString *reason = nullptr);
ZENLO_CORE_EXPORT bool parseClassMetadata(const QJsonObject &meta, LibraryMeta *out, QString *reason = nullptr);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case, as Windows writes class ids.
ZENLO_CORE_EXPORT QString guidText(const QUuid &id);
// A GUID in exactly that form (either letter case); the nil QUuid otherwise.
ZENLO_CORE_EXPORT QUuid parseGuid(const QString &text);

} // namespace objects
