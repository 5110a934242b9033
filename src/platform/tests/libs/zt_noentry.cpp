// A Qt plug-in with class metadata whose root object is no class-object entry point.
#include <QObject>
#include <QtPlugin>

class ZenNoEntryRoot : public QObject
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "zenlo.test.NotAClassLibrary" FILE "zt_noentry.json")
};

#include "zt_noentry.moc"
