// The LwReport library: the report a catalog-103 entry shows in a tab, whose
// rows open their documents.
#include "../common/reportcomponent.h"

#include "platform/classobject.h"

class LwReportLibrary : public objects::ClassLibrary
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZENLO_CLASS_LIBRARY_IID FILE "lwreport.json")
public:
    LwReportLibrary()
    {
        addClass(QUuid::fromString(QLatin1String("{2EC6AB04-92F2-4293-9E78-316FAA1ED617}")), [] {
            return static_cast<QObject *>(new lwcommon::ReportComponent(lwcommon::ReportComponent::EditReport,
                                                                        QStringLiteral("LwReport.oEditRpt")));
        });
    }
};

#include "lwreport.moc"
