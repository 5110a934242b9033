// The LwEdit library: the generic document editor, report, report with
// documents, query and alert list of the demo business data.
#include "../common/reportcomponent.h"
#include "oedit.h"

#include "platform/classobject.h"

using lwcommon::ReportComponent;

class LwEditLibrary : public objects::ClassLibrary
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZENLO_CLASS_LIBRARY_IID FILE "lwedit.json")
public:
    LwEditLibrary()
    {
        addClass<lwedit::OEdit>("{99B60398-4B41-4F08-B041-0DDFB92FC07C}");
        add("{584F8AFA-0587-4E8B-B4F4-C8D544472512}", ReportComponent::Report, "LwEdit.oReport");
        add("{92DDBB6C-240A-4898-A86B-23B23DD58C45}", ReportComponent::EditReport, "LwEdit.oeditrpt");
        add("{107ED69D-02B6-417D-9EB2-228DA2E1FAB3}", ReportComponent::Query, "LwEdit.oquery");
        add("{0D2FE6BC-2FA2-41B4-877C-5C703F0F0EE5}", ReportComponent::Alert, "LwEdit.oalert");
    }

private:
    void add(const char *clsid, ReportComponent::Kind kind, const char *progId)
    {
        addClass(QUuid::fromString(QLatin1String(clsid)),
                 [kind, progId] { return static_cast<QObject *>(new ReportComponent(kind, QLatin1String(progId))); });
    }
};

#include "lwedit.moc"
