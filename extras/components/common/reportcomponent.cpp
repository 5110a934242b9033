#include "reportcomponent.h"

#include "components/database.h"
#include "components/sysservices.h"

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace lwcommon {

ReportComponent::ReportComponent(Kind kind, const QString &progId, QWidget *parent)
    : QWidget(parent), m_kind(kind), m_progId(progId)
{
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
}

void ReportComponent::fail(const QString &text)
{
    Q_EMIT objectEvent(QStringLiteral("errmessage"), {text, 8, m_progId});
}

ReportView *ReportComponent::addView(const Definition &d, ReportView::Layout layout)
{
    auto *view = new ReportView(d, m_sys, layout);
    connect(view, &ReportView::failed, this, &ReportComponent::fail);
    connect(view, &ReportView::openRequested, this, [this](int program, const QString &key) {
        Q_EMIT objectEvent(QStringLiteral("detailes"), {program, key});
    });
    connect(view, &ReportView::message, this, [this](const QString &text) { Q_EMIT objectEvent(QStringLiteral("message"), {text}); });
    m_views << view;
    return view;
}

bool ReportComponent::Py_Init(SystemServices *&sys, clsConfig *&, int32_t &programNumber, QVariantList &)
{
    m_sys = sys;
    Database *db = sys ? sys->database() : nullptr;
    QString error;
    if (m_kind == Alert) {
        const QList<Definition> sections = readDefinitions(db, QStringLiteral("alert"), &error);
        if (sections.isEmpty()) {
            fail(error.isEmpty() ? QStringLiteral("没有定义预警项目。") : error);
            return false;
        }
        auto *title = new QLabel(QStringLiteral("预警  （%1）").arg(operatingDate(sys).toString(QStringLiteral("yyyy年M月d日"))));
        QFont f = title->font();
        f.setPointSizeF(f.pointSizeF() * 1.3);
        f.setBold(true);
        title->setFont(f);
        title->setContentsMargins(10, 8, 10, 4);
        m_layout->addWidget(title);
        auto *scroll = new QScrollArea;
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        auto *page = new QWidget;
        auto *pl = new QVBoxLayout(page);
        pl->setContentsMargins(10, 0, 10, 10);
        int total = 0, shown = 0;
        for (const Definition &d : sections) {
            // A section of documents the operator may not open is not his to see.
            const int guard = d.rightProgram ? d.rightProgram : d.opensProgram;
            if (guard && !(sys && sys->rights(guard).right(1)))
                continue;
            ++shown;
            auto *heading = new QLabel;
            QFont hf = heading->font();
            hf.setBold(true);
            heading->setFont(hf);
            pl->addWidget(heading);
            ReportView *view = addView(d, ReportView::Bare);
            view->setMinimumHeight(150);
            pl->addWidget(view, 1);
            view->run();
            heading->setText(QStringLiteral("%1（%2 项）").arg(d.caption).arg(view->dataRowCount()));
            total += view->dataRowCount();
        }
        if (shown == 0)
            pl->addWidget(new QLabel(QStringLiteral("没有您可以查看的预警项目。")));
        pl->addStretch(shown == 0 ? 1 : 0);
        scroll->setWidget(page);
        m_layout->addWidget(scroll, 1);
        Q_EMIT objectEvent(QStringLiteral("message"), {QStringLiteral("预警：共 %1 项").arg(total)});
        return true;
    }
    Definition d;
    if (!readDefinition(db, programNumber, &d, &error) || d.kind != QLatin1String("report")) {
        fail(error.isEmpty() ? QStringLiteral("程序号 %1 不是报表。").arg(programNumber) : error);
        return false;
    }
    // A plain report opens no documents; the others do when the definition names one.
    if (m_kind == Report)
        d.opensProgram = 0;
    ReportView *view = addView(d, m_kind == Query ? ReportView::QueryForm : ReportView::ParameterRow);
    m_layout->addWidget(view, 1);
    // The status line counts the rows of each run, not of the first.
    connect(view, &ReportView::ran, this, [this, caption = d.caption](int rows) {
        Q_EMIT objectEvent(QStringLiteral("message"),
                           {QStringLiteral("%1：%2 行").arg(caption, QLocale(QLocale::Chinese, QLocale::China).toString(rows))});
    });
    if (m_kind != Query)
        view->run();
    return true;
}

void ReportComponent::Clear()
{
    m_sys = nullptr;
    m_views.clear();
}

void ReportComponent::setSParameters(const ParameterSet &) {}

} // namespace lwcommon
