#pragma once
// The report-like business components: a report (parameters, grid with totals,
// preview and export), a report whose rows open their documents, a query form,
// and the alert list of several sections. They read their definitions from
// xt_progdef and talk back only through objectEvent:
//   "message" (status text), "errmessage" (text, level, source), "unload" (true),
//   "detailes" (program number, document key as text) to open a row's document.
#include "core/contracts.h"
#include "reportview.h"

#include <QWidget>

class QVBoxLayout;

namespace lwcommon {

class ReportComponent : public QWidget, public IBusinessComponent
{
    Q_OBJECT
    Q_INTERFACES(IBusinessComponent)
public:
    enum Kind { Report, EditReport, Query, Alert };

    ReportComponent(Kind kind, const QString &progId, QWidget *parent = nullptr);

    bool Py_Init(SystemServices *&sys, clsConfig *&config, int32_t &programNumber, QVariantList &args) override;
    void Clear() override;
    void setSParameters(const ParameterSet &parameters) override;

    // The report pages shown (one, or one per alert section).
    QList<ReportView *> views() const { return m_views; }

Q_SIGNALS:
    void objectEvent(const QString &name, const QVariantList &params);

private:
    ReportView *addView(const Definition &d, ReportView::Layout layout);
    void fail(const QString &text);

    Kind m_kind;
    QString m_progId;
    SystemServices *m_sys = nullptr;
    QList<ReportView *> m_views;
    QVBoxLayout *m_layout = nullptr;
};

} // namespace lwcommon
