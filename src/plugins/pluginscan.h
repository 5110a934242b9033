#pragma once
// The plug-ins of the Plugin folder: library files whose class metadata lists
// classes implementing _IExtPluginUI. The scan creates each such class once
// (Init, read its texts, Terminate) to make the rows of the plug-in list; the
// configure and run actions create it again. A registered class is created by
// its ProgID, any other straight from its library file.
#include "core/contracts.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class SystemServices;

namespace plugins {

// One row of the plug-in list.
struct PluginRow {
    QString caption;     // the plug-in's Caption
    QString vendor;      // the configured subject when there is one, else the plug-in's Vendor
    QString fileName;    // the path with the program folder removed ("/Plugin/x.so")
    QString progId;      // library name + "." + class name
    QString path;        // the library's full path
    QString className;
    QString reg;         // "1" created by ProgID (registered), "0" from the file
    QString description; // the plug-in's Description
    QStringList sameClassIn; // the other files of the folder that give this ProgID too
};

// The folder scanned: the program folder + "/Plugin".
QString pluginFolder(const QString &programFolder);
// The library files of a folder (".so" here, ".dll" on Windows), in name order.
QStringList pluginFiles(const QString &folder);

// A plug-in object for one action; the object goes when this goes.
struct PluginObject {
    std::unique_ptr<QObject> object;
    _IExtPluginUI *ui = nullptr; // set whenever object is
    bool registered = false;
};

// Registered (HKEY_CLASSES_ROOT has the ProgID): created by ProgID, else from
// the file by class name (which may give nothing). Throws RuntimeError when a
// registered class cannot be created, or the object is no _IExtPluginUI.
PluginObject obtainPlugin(const QString &path, const QString &progId, const QString &className);
// By ProgID only (a row marked registered); throws as above.
PluginObject createByProgId(const QString &progId);
// An add-in by ProgID: as createByProgId, and when no registered, built-in or
// component class has that ProgID, the first class of that ProgID (in any
// letter case) among the libraries of the Plugin folder, so the add-ins
// installed there need no registration either. A registration of the ProgID
// that leads nowhere is not worked around.
PluginObject createAddIn(const QString &programFolder, const QString &progId);

// What the scan found in one library file of the folder: the rows of the
// plug-ins it made, and, when it gave none or a class of it failed, why.
struct LibraryReport {
    QString file;    // file name
    QString path;    // full path
    QList<PluginRow> rows;
    QString refused; // why (the library's, loader's or plug-in's own words); empty when all went well
    QString reason;  // the same in the operator's words
    bool failed = false; // something went wrong (not merely: no plug-in class in it)
};

// The scan of a folder, in file order. One bad library never hides the
// others: a library whose metadata cannot be read, a class that cannot be
// made and a plug-in that throws are reported in their library's entry and
// the scan goes on. A ProgID given by two files is marked in both rows
// (PluginRow::sameClassIn).
QList<LibraryReport> inspectPluginFolder(const QString &programFolder, const QString &folder, const QString &subject,
                                         SystemServices *sys);

// The scan of the program's Plugin folder for the plug-in list window: its
// rows, and the libraries that gave none or failed.
struct ScanResult {
    QList<PluginRow> rows;
    QList<LibraryReport> refused;
};
ScanResult LoadPlugin(const QString &programFolder, const QString &subject, SystemServices *sys);

// The text of any exception a plug-in call let out.
QString describeException(std::exception_ptr e);

} // namespace plugins
