#pragma once
// The add-in of the demo's menu: closing the current accounting period of the
// menu entry's system ("ModeCode"). After the operator confirms, the current
// period is closed and the next one becomes current (after period 12, period 1
// of the next year), made from the dates when it is not in sys_period yet.
// Rows are keyed by system, year and period: a closed period keeps its row
// (marked closed) and cannot be closed again. One transaction, so a failure
// leaves the periods as they were.
#include "core/contracts.h"

#include <QDate>
#include <QObject>

class Database;

namespace zenloaddins {

struct PeriodChange {
    int closedYear = 0;
    int closed = 0;
    int year = 0; // of the new current period
    int current = 0;
    QDate start, end;
};
// Closes the current period of systemCode in db; false with the operator's text.
bool closePeriod(Database &db, const QString &systemCode, PeriodChange *change, QString *error);

class PeriodClose : public QObject, public _IExtPluginUI
{
    Q_OBJECT
    Q_INTERFACES(_IExtPluginUI)
public:
    bool Init(SystemServices *&sys) override;
    QVariant Terminate() override;
    QVariant Configure() override { return QVariant(); }
    IPluginParameters *Parameters() override { return &m_parameters; }
    QVariant Run(QString &text) override;
    ErrorInfo LastError() const override { return m_error; }
    QString Description() const override;
    QString Caption() const override { return QStringLiteral("结转会计期间"); }
    QString Vendor() const override { return QStringLiteral("Zenlo软件"); }

private:
    SystemServices *m_sys = nullptr;
    ErrorInfo m_error;
    PluginParameters m_parameters;
};

} // namespace zenloaddins
