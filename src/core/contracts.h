#pragma once
// The contracts between the shell and the code it loads from libraries: hosted
// business components, start-up plug-ins with their environment, and the
// plug-ins and add-ins of the _IExtPluginUI kind. Each is an abstract class
// whose objects come out of a library (see platform/modcreateobj.h and
// platform/objectfactory.h) and are reached with qobject_cast; the IID strings
// are the suite's interface ids where it has them. Members keep the suite's
// order. Nothing here throws: a library reports through results and LastError.
#include "components/errorinfo.h"
#include "platform/zenlo_export.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>
#include <QtPlugin>

#include <cstdint>

class clsConfig;
class SystemServices;

// A set of named parameters handed to a component (its sParameters property).
class ZENLO_CORE_EXPORT ParameterSet
{
public:
    struct Entry {
        QString name;
        QVariant value;
        int type = 0; // the data type code (203: text)
    };
    // Adds one entry. The three leading numbers and the last are kept for the
    // components that read them; the shell passes zeros.
    void Add(int a, int b, int c, const QString &name, const QVariant &value, int type, int d);
    // The entry of a name (case-insensitive), or nullptr.
    const Entry *find(const QString &name) const;
    QVariant value(const QString &name, const QVariant &defaultValue = QVariant()) const;
    const QList<Entry> &entries() const { return m_entries; }

private:
    QList<Entry> m_entries;
};

// A business component hosted in a tab of the main window or in an edit window.
// The object is a QWidget that also declares the signal
//     void objectEvent(const QString &name, const QVariantList &params);
// through which it reports ("message", "errmessage", "unload", "detaile", ...).
class IBusinessComponent
{
public:
    virtual ~IBusinessComponent() = default;
    // The initialisation. sys and config come back as the host should keep them;
    // args holds the arguments that follow the program number for this kind of
    // component (none, 0, the caption, the data object, or parameter, open mode
    // and data object), and the component may write into them. True on success.
    virtual bool Py_Init(SystemServices *&sys, clsConfig *&config, int32_t &programNumber, QVariantList &args) = 0;
    // Called before the host removes the component.
    virtual void Clear() = 0;
    // The sParameters property (edit windows only).
    virtual void setSParameters(const ParameterSet &parameters) = 0;
    // Whether it holds work that was not saved (asked before its tab or window closes).
    virtual bool hasUnsavedChanges() const { return false; }
    // The unsaved work in the operator's words ("采购订单 PO202612160"); "" lets
    // the host name it by the caption of its tab or window.
    virtual QString unsavedWork() const { return QString(); }
};
#define IBusinessComponent_iid "zenlo.IBusinessComponent/1.0"
Q_DECLARE_INTERFACE(IBusinessComponent, IBusinessComponent_iid)

// The plug-in environment object a start-up plug-in is given.
class IPluginEnvironment
{
public:
    virtual ~IPluginEnvironment() = default;
    virtual void setConfigFile(const QString &path) = 0;
    virtual void setCompany(const QString &text) = 0;
    virtual void setAccountPeriod(int32_t period) = 0;
    virtual void setAppFolder(const QString &folder) = 0;
    virtual void setCaption(const QString &caption) = 0;
};
#define IPluginEnvironment_iid "{B17CEAE8-8135-4F6F-985A-F3A4240B39C6}"
Q_DECLARE_INTERFACE(IPluginEnvironment, IPluginEnvironment_iid)

// The plain environment object the shell hands out (the plug-in reads it back).
class ZENLO_CORE_EXPORT PluginEnvironment : public IPluginEnvironment
{
public:
    void setConfigFile(const QString &path) override { configFile = path; }
    void setCompany(const QString &text) override { company = text; }
    void setAccountPeriod(int32_t period) override { accountPeriod = period; }
    void setAppFolder(const QString &folder) override { appFolder = folder; }
    void setCaption(const QString &text) override { caption = text; }

    QString configFile, company, appFolder, caption;
    int32_t accountPeriod = 0;
};

// A plug-in the configuration names for a stage of the start-up (100 or 101).
class IStartupPlugin
{
public:
    virtual ~IStartupPlugin() = default;
    virtual QString Name() const = 0;
    // Called with an empty text; what comes back is not used.
    virtual void Run(const QString &input, QString &output) = 0;
    virtual void Initialise() = 0;
    // The environment object the shell fills before Initialise.
    virtual IPluginEnvironment *Environment() = 0;
    // The error of the last call; an empty description when there was none.
    virtual ErrorInfo LastError() const = 0;
};
#define IStartupPlugin_iid "{903BC105-D797-48E0-9F1F-7F382ACCEC19}"
Q_DECLARE_INTERFACE(IStartupPlugin, IStartupPlugin_iid)

// The parameter collection of a plug-in or add-in.
class IPluginParameters
{
public:
    virtual ~IPluginParameters() = default;
    virtual int Count() const = 0;
    // Adds one named value (key is always empty when the shell calls it).
    virtual void Add(const QString &name, const QString &key, const QVariant &value) = 0;
    // The value of a name (case-insensitive), or an invalid variant.
    virtual QVariant Item(const QString &name) const = 0;
};

// The plain collection plug-ins may hand out.
class ZENLO_CORE_EXPORT PluginParameters : public IPluginParameters
{
public:
    int Count() const override { return int(m_values.size()); }
    void Add(const QString &name, const QString &key, const QVariant &value) override;
    QVariant Item(const QString &name) const override;

private:
    QList<QPair<QString, QVariant>> m_values;
};

// A plug-in of the Plugin folder, and an add-in of the menu.
class _IExtPluginUI
{
public:
    virtual ~_IExtPluginUI() = default;
    // Always first after creation; the add-in runner runs only when it returns true.
    virtual bool Init(SystemServices *&sys) = 0;
    // Always last.
    virtual QVariant Terminate() = 0;
    virtual QVariant Configure() = 0;
    virtual IPluginParameters *Parameters() = 0;
    // Called with an empty text; what the plug-in writes back is not used.
    virtual QVariant Run(QString &text) = 0;
    virtual QVariant Reserved() { return QVariant(); }
    // The error of the last call; an empty description when there was none.
    virtual ErrorInfo LastError() const = 0;
    virtual QString Description() const = 0;
    virtual QString Caption() const = 0;
    virtual QString Vendor() const = 0;
};
#define IExtPluginUI_iid "{7B208C4B-37E6-4F8C-AC98-91E74163B50C}"
Q_DECLARE_INTERFACE(_IExtPluginUI, IExtPluginUI_iid)
