#include "plugins/pluginscan.h"

#include "platform/classmeta.h"
#include "platform/modcreateobj.h"
#include "platform/objectfactory.h"
#include "platform/registration.h"
#include "platform/runtimeerror.h"
#include "util/clsregistryaccess.h"

#include <QDir>
#include <QHash>
#include <QFileInfo>

namespace plugins {

namespace {

const QString kInterface = QStringLiteral("_IExtPluginUI");

PluginObject wrap(QObject *created, bool registered)
{
    PluginObject p;
    p.object.reset(created);
    p.registered = registered;
    if (created) {
        p.ui = qobject_cast<_IExtPluginUI *>(created);
        if (!p.ui)
            throw RuntimeError(QStringLiteral("类型不匹配"), RuntimeError::TypeMismatch);
    }
    return p;
}

// Makes the row of one class: Init, the texts, Terminate.
PluginRow makeRow(_IExtPluginUI *ui, SystemServices *sys, const QString &programFolder, const QString &subject,
                  const QString &path, const QString &progId, const QString &className, bool registered)
{
    SystemServices *given = sys;
    ui->Init(given);
    PluginRow row;
    row.caption = ui->Caption();
    row.vendor = subject.isEmpty() ? ui->Vendor() : subject;
    row.fileName = path;
    if (!programFolder.isEmpty())
        row.fileName.replace(programFolder, QString(), Qt::CaseSensitive);
    row.progId = progId;
    row.path = path;
    row.className = className;
    row.reg = registered ? QStringLiteral("1") : QStringLiteral("0");
    row.description = ui->Description();
    ui->Terminate();
    return row;
}

} // namespace

QString pluginFolder(const QString &programFolder)
{
    return programFolder + QStringLiteral("/Plugin");
}

QStringList pluginFiles(const QString &folder)
{
#ifdef Q_OS_WIN
    const QStringList filter{QStringLiteral("*.dll")};
#elif defined(Q_OS_MACOS)
    const QStringList filter{QStringLiteral("*.dylib"), QStringLiteral("*.so")};
#else
    const QStringList filter{QStringLiteral("*.so")};
#endif
    const QDir dir(folder);
    if (!dir.exists())
        return {};
    return dir.entryList(filter, QDir::Files, QDir::Name);
}

QString describeException(std::exception_ptr e)
{
    try {
        std::rethrow_exception(e);
    } catch (const std::exception &x) {
        return RuntimeError::describe(x);
    } catch (...) {
        return QStringLiteral("插件引发了无法识别的异常");
    }
}

PluginObject createByProgId(const QString &progId)
{
    QString error;
    QObject *created = objects::createObject(progId, &error);
    if (!created)
        throw RuntimeError(error, RuntimeError::CannotCreateObject);
    return wrap(created, true);
}

PluginObject createAddIn(const QString &programFolder, const QString &progId)
{
    QString error;
    if (QObject *created = objects::createObject(progId, &error))
        return wrap(created, true);
    // A registration that leads nowhere is the administrator's to mend, not to be worked around.
    QUuid clsid;
    QString library;
    if (objects::findRegisteredClass(progId, &clsid, &library) == objects::Registration::Broken)
        throw RuntimeError(error, RuntimeError::CannotCreateObject);
    const QString folder = pluginFolder(programFolder);
    for (const QString &name : pluginFiles(folder)) {
        const QString path = folder + QLatin1Char('/') + name;
        objects::LibraryMeta meta;
        if (!objects::readClassMetadata(path, &meta))
            continue;
        for (const objects::ClassInfo &c : meta.classes) {
            if (meta.progId(c).compare(progId, Qt::CaseInsensitive) != 0)
                continue;
            QString reason;
            QObject *created = modCreateObj::createFromLibrary(path, c.clsid, &reason);
            if (!created)
                throw RuntimeError(error, RuntimeError::CannotCreateObject);
            return wrap(created, false);
        }
    }
    throw RuntimeError(error, RuntimeError::CannotCreateObject);
}

PluginObject obtainPlugin(const QString &path, const QString &progId, const QString &className)
{
    clsRegistryAccess registry;
    if (registry.KeyExists(QStringLiteral("HKEY_CLASSES_ROOT\\") + progId))
        return createByProgId(progId);
    return wrap(modCreateObj::CreateFromDll(path, className), false);
}

QList<LibraryReport> inspectPluginFolder(const QString &programFolder, const QString &folder, const QString &subject,
                                         SystemServices *sys)
{
    QList<LibraryReport> out;
    for (const QString &name : pluginFiles(folder)) {
        LibraryReport report;
        report.file = name;
        report.path = folder + QLatin1Char('/') + name;
        objects::LibraryMeta meta;
        QString why;
        if (!objects::readClassMetadata(report.path, &meta, &why)) {
            report.refused = why;
            report.reason = objects::reasonInChinese(why);
            report.failed = true;
            out.append(report);
            continue;
        }
        QStringList failures, reasons;
        for (const objects::ClassInfo &c : meta.classes) {
            for (const objects::InterfaceInfo &i : c.interfaces) {
                if (i.name != kInterface)
                    continue;
                const QString progId = meta.library.trimmed() + QLatin1Char('.') + c.name.trimmed();
                const QString className = c.name.trimmed();
                try {
                    PluginObject p = obtainPlugin(report.path, progId, className);
                    if (p.ui) {
                        report.rows.append(makeRow(p.ui, sys, programFolder, subject, report.path, progId, className, p.registered));
                        continue;
                    }
                    const QString lib = modCreateObj::lastLoadError(report.path);
                    failures << progId + QStringLiteral(": ") + (lib.isEmpty() ? QStringLiteral("the class cannot be created") : lib);
                    reasons << QStringLiteral("类 %1 不能创建：%2")
                                   .arg(progId, lib.isEmpty() ? QStringLiteral("库没有创建出对象") : objects::reasonInChinese(lib));
                } catch (...) {
                    const QString e = describeException(std::current_exception());
                    failures << progId + QStringLiteral(": ") + e;
                    reasons << QStringLiteral("类 %1 出错：%2").arg(progId, objects::reasonInChinese(e));
                }
            }
        }
        if (!failures.isEmpty()) {
            report.refused = failures.join(QStringLiteral("; "));
            report.reason = reasons.join(QStringLiteral("；"));
            report.failed = true;
        } else if (report.rows.isEmpty()) {
            report.refused = QStringLiteral("no class implements _IExtPluginUI");
            report.reason = meta.classes.isEmpty() ? QStringLiteral("库中没有类，不是插件管理的插件")
                                                   : QStringLiteral("库中没有插件管理的插件（没有实现 _IExtPluginUI 的类）");
        }
        out.append(report);
    }
    // The same class under two file names: each row names the other files.
    QHash<QString, QStringList> files;
    for (const LibraryReport &r : std::as_const(out))
        for (const PluginRow &row : r.rows)
            if (!files[row.progId.toLower()].contains(r.file))
                files[row.progId.toLower()] << r.file;
    for (LibraryReport &r : out)
        for (PluginRow &row : r.rows) {
            QStringList others = files.value(row.progId.toLower());
            others.removeAll(r.file);
            row.sameClassIn = others;
        }
    return out;
}

ScanResult LoadPlugin(const QString &programFolder, const QString &subject, SystemServices *sys)
{
    ScanResult result;
    for (LibraryReport &r : inspectPluginFolder(programFolder, pluginFolder(programFolder), subject, sys)) {
        result.rows << r.rows;
        if (!r.refused.isEmpty())
            result.refused << r;
    }
    return result;
}

} // namespace plugins
