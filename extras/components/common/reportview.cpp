#include "reportview.h"

#include "components/database.h"
#include "components/sysservices.h"
#include "platform/uiservice.h"

#include <QDateEdit>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QTextDocument>
#include <QVBoxLayout>

namespace lwcommon {

namespace {

constexpr int kKindRole = Qt::UserRole + 1;
constexpr int kKeyRole = Qt::UserRole + 2;

// Numbers as an accountant reads them: two decimals, thousands grouped.
QString numberText(double v) { return QLocale(QLocale::Chinese, QLocale::China).toString(v, 'f', 2); }

QString csvField(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString t = text;
    t.replace(u'"', QStringLiteral("\"\""));
    return u'"' + t + u'"';
}

} // namespace

ReportView::ReportView(const Definition &definition, SystemServices *sys, Layout layout, QWidget *parent)
    : QWidget(parent), m_def(definition), m_sys(sys)
{
    buildUi(layout);
}

void ReportView::buildUi(Layout layout)
{
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(layout == Bare ? 0 : 8, layout == Bare ? 0 : 8, layout == Bare ? 0 : 8, layout == Bare ? 0 : 8);
    const QDate today = operatingDate(m_sys);
    auto editorFor = [&](const Param &p) -> QWidget * {
        const QString start = defaultParamValue(p, today);
        if (p.type == u'd') {
            auto *e = new QDateEdit;
            e->setCalendarPopup(true);
            e->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
            e->setDate(start.isEmpty() ? today : QDate::fromString(start, Qt::ISODate));
            e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("2026-12-31")) + 48);
            return e;
        }
        auto *e = new QLineEdit(start);
        if (p.type == u'n')
            e->setAlignment(Qt::AlignRight);
        e->setClearButtonEnabled(true);
        e->setMinimumWidth(e->fontMetrics().horizontalAdvance(u'中') * 8);
        return e;
    };
    auto *runButton = new QPushButton(QStringLiteral("查询"));
    auto *preview = new QPushButton(QStringLiteral("打印预览"));
    auto *pdf = new QPushButton(QStringLiteral("导出 PDF"));
    auto *csv = new QPushButton(QStringLiteral("导出 CSV"));
    runButton->setDefault(true);
    if (layout == QueryForm) {
        auto *box = new QGroupBox(QStringLiteral("查询条件"));
        auto *form = new QFormLayout(box);
        for (const Param &p : std::as_const(m_def.params)) {
            QWidget *e = editorFor(p);
            m_editors.insert(p.name, e);
            form->addRow(p.caption + QStringLiteral("："), e);
        }
        auto *buttons = new QHBoxLayout;
        buttons->addStretch(1);
        buttons->addWidget(runButton);
        form->addRow(buttons);
        root->addWidget(box);
    } else if (layout == ParameterRow) {
        auto *bar = new QHBoxLayout;
        for (const Param &p : std::as_const(m_def.params)) {
            QWidget *e = editorFor(p);
            m_editors.insert(p.name, e);
            bar->addWidget(new QLabel(p.caption + QStringLiteral("：")));
            bar->addWidget(e, p.type == u't' ? 2 : 0);
        }
        bar->addWidget(runButton);
        bar->addStretch(1);
        root->addLayout(bar);
    } else {
        for (const Param &p : std::as_const(m_def.params))
            m_editors.insert(p.name, editorFor(p)); // values without editors on screen
        for (QPushButton *b : {runButton, preview, pdf, csv})
            b->hide();
    }
    m_grid = new QTableWidget(0, int(m_def.columns.size()));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setAlternatingRowColors(true);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 8);
    QStringList heads;
    for (int i = 0; i < m_def.columns.size(); ++i) {
        heads << m_def.columns.at(i).caption;
        m_grid->setColumnWidth(i, m_def.columns.at(i).width);
    }
    m_grid->setHorizontalHeaderLabels(heads);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    root->addWidget(m_grid, 1);
    if (layout != Bare) {
        auto *foot = new QHBoxLayout;
        m_summary = new QLabel;
        foot->addWidget(m_summary, 1);
        for (QPushButton *b : {preview, pdf, csv})
            foot->addWidget(b);
        root->addLayout(foot);
    }
    // Some objects stay parented to nothing when hidden in a bare view: give them this parent.
    for (QPushButton *b : {runButton, preview, pdf, csv})
        if (!b->parent())
            b->setParent(this);
    for (QWidget *e : std::as_const(m_editors))
        if (!e->parent()) {
            e->setParent(this);
            e->hide();
        }
    connect(runButton, &QPushButton::clicked, this, [this] { run(); });
    connect(preview, &QPushButton::clicked, this, &ReportView::printPreview);
    connect(pdf, &QPushButton::clicked, this, [this] { askExport(true); });
    connect(csv, &QPushButton::clicked, this, [this] { askExport(false); });
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, [this](int row) {
        const QString key = rowKey(row);
        if (!key.isEmpty() && m_def.opensProgram != 0)
            Q_EMIT openRequested(m_def.opensProgram, key);
    });
}

// Columns as wide as their contents (at least their designed width when it
// fits), the last one taking what is left; a wide report scrolls sideways.
void ReportView::fitColumns()
{
    m_grid->resizeColumnsToContents();
    int total = 0;
    for (int i = 0; i < m_def.columns.size(); ++i)
        total += m_grid->columnWidth(i);
    const int spare = m_grid->viewport()->width() - total;
    for (int i = 0; spare > 0 && i < m_def.columns.size(); ++i) {
        const int wanted = qMin(m_def.columns.at(i).width, m_grid->columnWidth(i) + spare / int(m_def.columns.size()));
        m_grid->setColumnWidth(i, qMax(m_grid->columnWidth(i), wanted));
    }
}

void ReportView::setParam(const QString &name, const QString &value)
{
    QWidget *e = m_editors.value(name);
    if (auto *d = qobject_cast<QDateEdit *>(e))
        d->setDate(QDate::fromString(value, Qt::ISODate));
    else if (auto *l = qobject_cast<QLineEdit *>(e))
        l->setText(value);
}

QString ReportView::param(const QString &name) const
{
    QWidget *e = m_editors.value(name);
    if (auto *d = qobject_cast<QDateEdit *>(e))
        return d->date().toString(Qt::ISODate);
    if (auto *l = qobject_cast<QLineEdit *>(e))
        return l->text();
    return QString();
}

void ReportView::addRow(RowKind kind, const QStringList &texts, const QString &key)
{
    const int row = m_grid->rowCount();
    m_grid->insertRow(row);
    for (int i = 0; i < m_def.columns.size(); ++i) {
        auto *item = new QTableWidgetItem(texts.value(i));
        if (m_def.columns.at(i).type == u'n')
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        item->setData(kKindRole, int(kind));
        if (i == 0)
            item->setData(kKeyRole, key);
        if (kind != DataRow) {
            QFont f = item->font();
            f.setBold(true);
            item->setFont(f);
            item->setBackground(kind == TotalRow ? QColor(0xdd, 0xe6, 0xf4) : QColor(0xf0, 0xf3, 0xf8));
        }
        m_grid->setItem(row, i, item);
    }
}

bool ReportView::run()
{
    m_lastError.clear();
    m_grid->setRowCount(0);
    m_dataRows = 0;
    Database *db = m_sys ? m_sys->database() : nullptr;
    QMap<QString, QString> values;
    for (const Param &p : std::as_const(m_def.params))
        values.insert(p.name, param(p.name));
    QString sql;
    QVariantList bound;
    auto fail = [this](const QString &text) {
        m_lastError = text;
        if (m_summary)
            m_summary->setText(text);
        Q_EMIT failed(text);
        return false;
    };
    if (!bindReportSql(m_def, values, &sql, &bound, &m_lastError))
        return fail(m_lastError);
    if (!db || !db->isConnected())
        return fail(QStringLiteral("没有数据库连接。"));
    db->ClearError();
    RecordSetPtr rs = db->query(sql, bound);
    if (!rs)
        return fail(QStringLiteral("“%1”查询失败：%2").arg(m_def.caption, db->LastError().description));

    const int groupIndex = [this] {
        for (int i = 0; i < m_def.columns.size(); ++i)
            if (m_def.columns.at(i).name.compare(m_def.groupColumn, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }();
    const int n = int(m_def.columns.size());
    QList<bool> summed(n, false);
    for (int i = 0; i < n; ++i)
        summed[i] = m_def.sumColumns.contains(m_def.columns.at(i).name, Qt::CaseInsensitive);
    QList<double> groupSum(n, 0.0), totalSum(n, 0.0);
    QString group;
    int groupRows = 0;
    auto sumTexts = [&](const QList<double> &sums, const QString &label) {
        QStringList t;
        for (int i = 0; i < n; ++i)
            t << (summed[i] ? numberText(sums[i]) : QString());
        // The label goes into the first column that carries no sum.
        for (int i = 0; i < n; ++i)
            if (!summed[i]) {
                t[i] = label;
                break;
            }
        return t;
    };
    auto closeGroup = [&] {
        if (groupIndex < 0 || groupRows == 0)
            return;
        addRow(SubtotalRow, sumTexts(groupSum, QStringLiteral("小计：") + group), QString());
        groupSum.fill(0.0);
        groupRows = 0;
    };
    m_grid->setSortingEnabled(false);
    m_grid->setUpdatesEnabled(false);
    for (; !rs->isEOF(); rs->moveNext()) {
        QStringList texts;
        QList<double> values(n, 0.0);
        for (int i = 0; i < n; ++i) {
            const Column &c = m_def.columns.at(i);
            const QVariant v = rs->field(c.name);
            if (c.type == u'n') {
                values[i] = v.toDouble();
                texts << (v.isNull() ? QString() : numberText(values[i]));
            } else if (c.type == u'd') {
                texts << rs->text(c.name).left(10);
            } else {
                texts << rs->text(c.name);
            }
        }
        if (groupIndex >= 0 && (groupRows == 0 || texts.at(groupIndex) != group)) {
            closeGroup();
            group = texts.at(groupIndex);
        }
        // Summed only now: the row may have started a new group.
        for (int i = 0; i < n; ++i)
            if (summed[i]) {
                groupSum[i] += values[i];
                totalSum[i] += values[i];
            }
        ++groupRows;
        addRow(DataRow, texts, m_def.opensKey.isEmpty() ? QString() : rs->text(m_def.opensKey));
        ++m_dataRows;
    }
    closeGroup();
    if (!m_def.sumColumns.isEmpty() && m_dataRows > 0)
        addRow(TotalRow, sumTexts(totalSum, QStringLiteral("合计")), QString());
    m_grid->setUpdatesEnabled(true);
    fitColumns();
    if (m_summary)
        m_summary->setText(QStringLiteral("共 %1 行").arg(m_dataRows)
                           + (m_def.opensProgram ? QStringLiteral("；双击一行打开单据") : QString()));
    Q_EMIT ran(m_dataRows);
    return true;
}

int ReportView::rowCount() const { return m_grid->rowCount(); }

ReportView::RowKind ReportView::rowKind(int row) const
{
    const QTableWidgetItem *item = m_grid->item(row, 0);
    return item ? RowKind(item->data(kKindRole).toInt()) : DataRow;
}

QString ReportView::cell(int row, const QString &column) const
{
    for (int i = 0; i < m_def.columns.size(); ++i)
        if (m_def.columns.at(i).name.compare(column, Qt::CaseInsensitive) == 0)
            return m_grid->item(row, i) ? m_grid->item(row, i)->text() : QString();
    return QString();
}

QString ReportView::rowKey(int row) const
{
    const QTableWidgetItem *item = m_grid->item(row, 0);
    return item && rowKind(row) == DataRow ? item->data(kKeyRole).toString() : QString();
}

QString ReportView::toCsv() const
{
    QStringList lines;
    QStringList head;
    for (const Column &c : m_def.columns)
        head << csvField(c.caption);
    lines << head.join(u',');
    for (int r = 0; r < m_grid->rowCount(); ++r) {
        QStringList f;
        for (int i = 0; i < m_def.columns.size(); ++i) {
            QString t = m_grid->item(r, i) ? m_grid->item(r, i)->text() : QString();
            if (m_def.columns.at(i).type == u'n')
                t.remove(u','); // a spreadsheet reads 1234.50, not 1,234.50
            f << csvField(t);
        }
        lines << f.join(u',');
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QString ReportView::toHtml() const
{
    QString h = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>");
    h += QStringLiteral("<h2 align=\"center\">%1</h2>").arg(m_def.caption.toHtmlEscaped());
    QStringList conditions;
    for (const Param &p : m_def.params)
        if (!param(p.name).isEmpty())
            conditions << p.caption.toHtmlEscaped() + QStringLiteral("：") + param(p.name).toHtmlEscaped();
    if (!conditions.isEmpty())
        h += QStringLiteral("<p align=\"center\">%1</p>").arg(conditions.join(QStringLiteral("　")));
    h += QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><tr bgcolor=\"#dde6f4\">");
    for (const Column &c : m_def.columns)
        h += QStringLiteral("<th>%1</th>").arg(c.caption.toHtmlEscaped());
    h += QStringLiteral("</tr>");
    for (int r = 0; r < m_grid->rowCount(); ++r) {
        const RowKind kind = rowKind(r);
        h += kind == DataRow ? QStringLiteral("<tr>") : QStringLiteral("<tr bgcolor=\"#f0f3f8\">");
        for (int i = 0; i < m_def.columns.size(); ++i) {
            const QString t = m_grid->item(r, i) ? m_grid->item(r, i)->text().toHtmlEscaped() : QString();
            const QString align = m_def.columns.at(i).type == u'n' ? QStringLiteral(" align=\"right\"") : QString();
            h += kind == DataRow ? QStringLiteral("<td%1>%2</td>").arg(align, t)
                                 : QStringLiteral("<td%1><b>%2</b></td>").arg(align, t);
        }
        h += QStringLiteral("</tr>");
    }
    h += QStringLiteral("</table><p>共 %1 行　打印日期：%2</p></body></html>")
             .arg(m_dataRows)
             .arg(QDate::currentDate().toString(Qt::ISODate));
    return h;
}

bool ReportView::exportCsv(const QString &file, QString *error) const
{
    QSaveFile out(file);
    // With the byte order mark a spreadsheet program opens the Chinese text as UTF-8.
    const QByteArray bytes = QByteArray("\xEF\xBB\xBF") + toCsv().toUtf8();
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        *error = QStringLiteral("无法写入文件 %1：%2").arg(file, out.errorString());
        return false;
    }
    return true;
}

bool ReportView::exportPdf(const QString &file, QString *error) const
{
    {
        QFile probe(file);
        if (!probe.open(QIODevice::WriteOnly)) {
            *error = QStringLiteral("无法写入文件 %1：%2").arg(file, probe.errorString());
            return false;
        }
    }
    QPdfWriter writer(file);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageOrientation(m_def.columns.size() > 6 ? QPageLayout::Landscape : QPageLayout::Portrait);
    writer.setTitle(m_def.caption);
    writer.setCreator(QStringLiteral("zenlo"));
    QTextDocument doc;
    doc.setHtml(toHtml());
    doc.print(&writer);
    return true;
}

void ReportView::printPreview()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(m_def.columns.size() > 6 ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(m_def.caption + QStringLiteral(" - 打印预览"));
    preview.resize(900, 700);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter *p) {
        QTextDocument doc;
        doc.setHtml(toHtml());
        doc.print(p);
    });
    preview.exec();
}

void ReportView::askExport(bool pdf)
{
    const QString suffix = pdf ? QStringLiteral(".pdf") : QStringLiteral(".csv");
    const QString file = QFileDialog::getSaveFileName(this, pdf ? QStringLiteral("导出 PDF") : QStringLiteral("导出 CSV"),
                                                      m_def.caption + suffix,
                                                      pdf ? QStringLiteral("PDF (*.pdf)") : QStringLiteral("CSV (*.csv)"));
    if (file.isEmpty())
        return;
    QString error;
    if (!(pdf ? exportPdf(file, &error) : exportCsv(file, &error)))
        ui::msgBox(error, ui::Exclamation, m_def.caption);
}

} // namespace lwcommon
