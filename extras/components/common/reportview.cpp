#include "reportview.h"
#include "decimal.h"
#include "paramrow.h"

#include "components/database.h"
#include "components/sysservices.h"
#include "platform/uiservice.h"

#include <QCalendarWidget>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRawFont>
#include <QSaveFile>
#include <QTableView>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

#include <future>

namespace lwcommon {

namespace {

QString csvField(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString t = text;
    t.replace(u'"', QStringLiteral("\"\""));
    return u'"' + t + u'"';
}

// The captions, and a row's texts, as lines of a CSV file (without the line end).
QString csvHead(const QList<Column> &columns)
{
    QStringList head;
    for (const Column &c : columns)
        head << csvField(c.caption);
    return head.join(u',');
}

QString csvLine(const QList<Column> &columns, const QStringList &texts)
{
    QStringList f;
    for (int i = 0; i < columns.size(); ++i) {
        QString t = texts.value(i);
        if (columns.at(i).type == u'n')
            t.remove(u','); // a spreadsheet reads 1234.50, not 1,234.50
        f << csvField(t);
    }
    return f.join(u',');
}

QString countText(qint64 n) { return QLocale(QLocale::Chinese, QLocale::China).toString(n); }

// A date parameter: typed as 年-月-日 (checked when the report runs) or picked from a calendar.
QWidget *dateEditor(const QString &start, QLineEdit **edit)
{
    auto *box = new QWidget;
    auto *h = new QHBoxLayout(box);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(2);
    auto *e = new DateLineEdit(start);
    e->setPlaceholderText(QStringLiteral("年-月-日"));
    auto *pick = new QToolButton;
    pick->setText(QStringLiteral("▾"));
    pick->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(pick);
    auto *calendar = new QCalendarWidget;
    auto *action = new QWidgetAction(menu);
    action->setDefaultWidget(calendar);
    menu->addAction(action);
    pick->setMenu(menu);
    QObject::connect(menu, &QMenu::aboutToShow, calendar, [e, calendar] {
        const QDate d = QDate::fromString(e->text().trimmed(), Qt::ISODate);
        if (d.isValid())
            calendar->setSelectedDate(d);
    });
    QObject::connect(calendar, &QCalendarWidget::clicked, e, [e, menu](const QDate &d) {
        e->setText(d.toString(Qt::ISODate));
        menu->close();
    });
    h->addWidget(e);
    h->addWidget(pick);
    *edit = e;
    return box;
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
    // The editor to lay out; the line edit holding the value goes into m_editors.
    auto editorFor = [&](const Param &p) -> QWidget * {
        QString start = defaultParamValue(p, today);
        QLineEdit *e = nullptr;
        if (p.type == u'd') {
            QWidget *box = dateEditor(start.isEmpty() ? today.toString(Qt::ISODate) : start, &e);
            m_editors.insert(p.name, e);
            return box;
        }
        e = new QLineEdit(start);
        if (p.type == u'n')
            e->setAlignment(Qt::AlignRight);
        e->setClearButtonEnabled(true);
        e->setMinimumWidth(e->fontMetrics().horizontalAdvance(u'中') * 8);
        m_editors.insert(p.name, e);
        return e;
    };
    auto *runButton = new QPushButton(QStringLiteral("查询"));
    auto *preview = new QPushButton(QStringLiteral("打印预览"));
    auto *pdf = new QPushButton(QStringLiteral("导出 PDF"));
    auto *csv = new QPushButton(QStringLiteral("导出 CSV"));
    runButton->setDefault(true);
    QList<QWidget *> loose;
    if (layout == QueryForm) {
        auto *box = new QGroupBox(QStringLiteral("查询条件"));
        auto *form = new QFormLayout(box);
        for (const Param &p : std::as_const(m_def.params))
            form->addRow(p.caption + QStringLiteral("："), editorFor(p));
        auto *buttons = new QHBoxLayout;
        buttons->addStretch(1);
        buttons->addWidget(runButton);
        form->addRow(buttons);
        root->addWidget(box);
    } else if (layout == ParameterRow) {
        auto *bar = new FlowLayout(8);
        for (const Param &p : std::as_const(m_def.params)) {
            auto *piece = new QWidget;
            auto *h = new QHBoxLayout(piece);
            h->setContentsMargins(0, 0, 0, 0);
            h->setSpacing(4);
            h->addWidget(new QLabel(p.caption + QStringLiteral("：")));
            h->addWidget(editorFor(p));
            bar->addWidget(piece);
        }
        bar->addWidget(runButton);
        root->addLayout(bar);
    } else {
        for (const Param &p : std::as_const(m_def.params))
            loose << editorFor(p); // values without editors on screen
        for (QPushButton *b : {runButton, preview, pdf, csv})
            b->hide();
    }
    m_model = new PagedModel(this);
    m_model->setColumns(m_def.columns, true);
    m_grid = new QTableView;
    m_grid->setModel(m_model);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setAlternatingRowColors(true);
    m_grid->setWordWrap(false);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 8);
    // Columns are fitted to the first 100 rows, all on the page read already: a column's width
    // samples as many rows as the horizontal header's precision says (a row's height the
    // vertical one's), 1,000 by default: five pages of a big result, each one more query.
    m_grid->horizontalHeader()->setResizeContentsPrecision(100);
    m_grid->verticalHeader()->setResizeContentsPrecision(100);
    for (int i = 0; i < m_def.columns.size(); ++i)
        m_grid->setColumnWidth(i, m_def.columns.at(i).width);
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
    for (QWidget *e : std::as_const(loose)) {
        e->setParent(this);
        e->hide();
    }
    connect(runButton, &QPushButton::clicked, this, [this] { run(); });
    connect(preview, &QPushButton::clicked, this, &ReportView::printPreview);
    connect(pdf, &QPushButton::clicked, this, [this] { askExport(true); });
    connect(csv, &QPushButton::clicked, this, [this] { askExport(false); });
    connect(m_grid, &QTableView::doubleClicked, this, [this](const QModelIndex &index) { activateRow(index.row()); });
    connect(m_model, &PagedModel::failed, this, [this](const QString &text) {
        m_lastError = QStringLiteral("“%1”%2").arg(m_def.caption, text);
        Q_EMIT failed(m_lastError);
    });
}

// Columns as wide as the rows on screen need (at least their designed width when it
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
    if (auto *l = qobject_cast<QLineEdit *>(m_editors.value(name)))
        l->setText(value);
}

QString ReportView::param(const QString &name) const
{
    if (auto *l = qobject_cast<QLineEdit *>(m_editors.value(name)))
        return l->text();
    return QString();
}

void ReportView::say(const QString &text)
{
    if (m_summary)
        m_summary->setText(text);
    Q_EMIT message(text);
}

bool ReportView::computeTotals(Database *db, const QString &body, const QVariantList &bound, qint64 *rows,
                               QList<PagedModel::ExtraRow> *extra, QString *error) const
{
    const int n = int(m_def.columns.size());
    QList<int> summed;
    QString agg = QStringLiteral("count(*) as n_rows");
    for (int i = 0; i < n; ++i)
        if (m_def.sumColumns.contains(m_def.columns.at(i).name, Qt::CaseInsensitive)) {
            agg += QStringLiteral(", sum(t.%1) as s_%2").arg(m_def.columns.at(i).name).arg(summed.size());
            summed << i;
        }
    auto decimalsOf = [&](int k) {
        const Column &c = m_def.columns.at(summed.at(k));
        return c.decimals >= 0 ? c.decimals : 2;
    };
    // The label goes into the first column that carries no sum.
    int labelColumn = -1;
    for (int i = 0; i < n && labelColumn < 0; ++i)
        if (!summed.contains(i))
            labelColumn = i;
    // Sums as decimal text (rounded to the column's decimals), shown grouped.
    auto texts = [&](const QStringList &sums, const QString &label) {
        QStringList t;
        for (int i = 0; i < n; ++i)
            t << QString();
        for (int k = 0; k < summed.size(); ++k)
            t[summed.at(k)] = PagedModel::numberText(sums.at(k), decimalsOf(k), true);
        if (labelColumn >= 0)
            t[labelColumn] = label;
        return t;
    };
    auto sumsOf = [&](const RecordSet &rs) {
        QStringList out;
        for (int k = 0; k < summed.size(); ++k) {
            const QVariant v = rs.field(QStringLiteral("s_%1").arg(k));
            out << formatNumber(v.isNull() ? QVariant(0) : v, decimalsOf(k));
        }
        return out;
    };
    *rows = 0;
    extra->clear();
    const Column *group = m_def.groupColumn.isEmpty() ? nullptr : m_def.column(m_def.groupColumn);
    QStringList totals;
    for (int k = 0; k < summed.size(); ++k)
        totals << QStringLiteral("0");
    if (group) {
        // The total is the sum of the subtotals: no second pass over the rows.
        QString sql = QStringLiteral("select t.%1 as grp, %2 from (%3) t group by t.%1 order by t.%1").arg(group->name, agg, body);
        if (const Column *code = group->nameOf.isEmpty() ? nullptr : m_def.column(group->nameOf)) {
            // A master's name grouped by its code, then the codes by name: the rows are summed in
            // the order an index on the code delivers them, without sorting every row by name.
            // SQLite keeps the name column's own collation (a bare column); others take min().
            QString outer = QStringLiteral("sum(g.n_rows) as n_rows");
            for (int k = 0; k < summed.size(); ++k)
                outer += QStringLiteral(", sum(g.s_%1) as s_%1").arg(k);
            const QString name = db->dialect() == SqlDialect::SQLite ? QStringLiteral("t.%1").arg(group->name)
                                                                      : QStringLiteral("min(t.%1)").arg(group->name);
            sql = QStringLiteral("select g.grp, %1 from (select %2 as grp, %3 from (%4) t group by t.%5) g group by g.grp order by g.grp")
                      .arg(outer, name, agg, body, code->name);
        }
        RecordSetPtr rs = db->query(sql, bound);
        if (!rs || !db->LastError().isEmpty()) {
            *error = db->LastError().description;
            return false;
        }
        for (; !rs->isEOF(); rs->moveNext()) {
            *rows += rs->field(QStringLiteral("n_rows")).toLongLong();
            const QVariant g = rs->field(QStringLiteral("grp"));
            const QString name = group->type == u'n' ? PagedModel::numberText(g, group->decimals, true)
                                 : group->type == u'd' ? g.toString().left(10)
                                                       : g.toString();
            const QStringList sums = sumsOf(*rs);
            for (int k = 0; k < summed.size(); ++k)
                totals[k] = add(totals.at(k), sums.at(k));
            extra->append({*rows, PagedModel::SubtotalRow, texts(sums, QStringLiteral("小计：") + name)});
        }
    } else {
        RecordSetPtr rs = db->query(QStringLiteral("select %1 from (%2) t").arg(agg, body), bound);
        if (!rs || rs->recordCount() == 0 || !db->LastError().isEmpty()) {
            *error = db->LastError().description;
            return false;
        }
        *rows = rs->field(QStringLiteral("n_rows")).toLongLong();
        totals = sumsOf(*rs);
    }
    if (!summed.isEmpty() && *rows > 0)
        extra->append({*rows, PagedModel::TotalRow, texts(totals, QStringLiteral("合计"))});
    return true;
}

namespace {
// Another connection sees what this one sees unless it holds uncommitted writes or lives in memory.
bool canCountAside(const Database &db)
{
    if (db.inTransaction())
        return false;
    return db.driver() != QLatin1String("sqlite")
        || (db.settings().database.trimmed() != QLatin1String(":memory:") && !db.settings().database.contains(QLatin1String("mode=memory")));
}
} // namespace

bool ReportView::run()
{
    m_lastError.clear();
    m_model->clear();
    Database *db = m_sys ? m_sys->database() : nullptr;
    QMap<QString, QString> values;
    auto fail = [this](const QString &text) {
        m_lastError = text;
        if (m_summary)
            m_summary->setText(text);
        Q_EMIT failed(text);
        return false;
    };
    for (const Param &p : std::as_const(m_def.params)) {
        const QString v = param(p.name).trimmed();
        if (p.type == u'd' && v.isEmpty())
            return fail(QStringLiteral("“%1”不能为空。").arg(p.caption));
        values.insert(p.name, v);
    }
    // A range whose start lies after its end finds nothing: said, not shown as an empty grid.
    const Param *from = nullptr, *to = nullptr;
    for (const Param &p : std::as_const(m_def.params)) {
        if (p.type == u'd' && p.name.compare(QLatin1String("from"), Qt::CaseInsensitive) == 0)
            from = &p;
        if (p.type == u'd' && p.name.compare(QLatin1String("to"), Qt::CaseInsensitive) == 0)
            to = &p;
    }
    QString sql;
    QVariantList bound;
    if (!bindReportSql(m_def, values, &sql, &bound, &m_lastError))
        return fail(m_lastError);
    if (from && to) {
        const QDate a = QDate::fromString(values.value(from->name), Qt::ISODate);
        const QDate b = QDate::fromString(values.value(to->name), Qt::ISODate);
        if (a > b)
            return fail(QStringLiteral("“%1”%2 晚于“%3”%4，请更正。")
                            .arg(from->caption, a.toString(Qt::ISODate), to->caption, b.toString(Qt::ISODate)));
    }
    if (!db || !db->isConnected())
        return fail(QStringLiteral("没有数据库连接。"));
    const auto [body, order] = splitOrderBy(sql);
    QString error;
    qint64 resultRows = 0;
    QList<PagedModel::ExtraRow> extra;
    bool ok = false;
    if (canCountAside(*db)) {
        // The count, subtotals and total are computed on a connection of their own while this one
        // reads the first page: over a year of a big company each is a pass over every line, and
        // on two cores the operator waits for the longer pass, not for both one after the other.
        struct Totals {
            bool connected = false, ok = false;
            qint64 rows = 0;
            QList<PagedModel::ExtraRow> extra;
            QString error;
        };
        ConnectionSettings settings = db->settings();
        settings.createIfMissing = false;
        auto aside = std::async(std::launch::async, [this, settings, text = QString(body), bound] {
            Totals t;
            Database second;
            if (!second.Init(settings) || !second.Connect())
                return t;
            t.connected = true;
            t.ok = computeTotals(&second, text, bound, &t.rows, &t.extra, &t.error);
            return t;
        });
        QString pageError;
        const bool firstPage = m_model->readFirstPage(db, body, bound, order, &pageError);
        Totals t = aside.get();
        if (!t.connected) // no second connection to be had: counted here, after the page
            ok = computeTotals(db, body, bound, &resultRows, &extra, &error);
        else if ((ok = t.ok && firstPage)) {
            resultRows = t.rows;
            extra = std::move(t.extra);
        } else
            error = t.ok ? pageError : t.error;
    } else {
        ok = computeTotals(db, body, bound, &resultRows, &extra, &error);
    }
    if (!ok || !m_model->setQuery(db, body, bound, order, &error, resultRows)) {
        m_model->clear();
        return fail(QStringLiteral("“%1”查询失败：%2").arg(m_def.caption, error));
    }
    m_model->setExtraRows(extra);
    fitColumns();
    const qint64 rows = m_model->queryRows();
    if (m_summary)
        m_summary->setText(QStringLiteral("共 %1 行").arg(countText(rows))
                           + (m_def.opensProgram ? QStringLiteral("；双击一行打开单据") : QString()));
    Q_EMIT ran(int(rows));
    return true;
}

int ReportView::rowCount() const { return m_model->rowCount(); }

ReportView::RowKind ReportView::rowKind(int row) const { return m_model->rowKind(row); }

QString ReportView::cell(int row, const QString &column) const { return m_model->text(row, m_model->columnIndex(column)); }

QString ReportView::rowKey(int row) const
{
    if (row < 0 || row >= rowCount() || rowKind(row) != DataRow || m_def.opensKey.isEmpty())
        return QString();
    return m_model->value(row, m_def.opensKey).toString();
}

void ReportView::activateRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    if (rowKind(row) != DataRow) {
        Q_EMIT message(QStringLiteral("小计和合计行不对应单据。"));
        return;
    }
    if (m_def.opensProgram == 0) {
        Q_EMIT message(QStringLiteral("“%1”的行不打开单据。").arg(m_def.caption));
        return;
    }
    const QString key = rowKey(row);
    if (key.isEmpty()) {
        Q_EMIT message(QStringLiteral("这一行没有单号，不打开单据。"));
        return;
    }
    Q_EMIT openRequested(m_def.opensProgram, key);
}

QString ReportView::toCsv() const
{
    QStringList lines;
    lines << csvHead(m_def.columns);
    QString error;
    m_model->forEachRow(
        [&](RowKind, const QStringList &texts) {
            lines << csvLine(m_def.columns, texts);
            return true;
        },
        &error);
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QString ReportView::pdfFontFamily()
{
    // Qt writes the text of a PDF as glyphs and maps each glyph back to the lowest
    // code point that shows it; a font drawing 厂 and the radical ⼚ (or 胶 and 㬵)
    // with one glyph gives text that copies out as the other character. The first
    // installed font with no such sharing among the common ideographs is taken.
    static const QString chosen = [] {
        const QStringList preferred{QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("WenQuanYi Zen Hei"),
                                    QStringLiteral("Noto Sans CJK SC"),    QStringLiteral("Source Han Sans SC"),
                                    QStringLiteral("Noto Serif CJK SC"),   QStringLiteral("AR PL UMing CN"),
                                    QStringLiteral("Microsoft YaHei"),     QStringLiteral("SimSun"),
                                    QStringLiteral("SimHei")};
        const QStringList installed = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
        QStringList candidates;
        for (const QString &f : preferred)
            if (installed.contains(f, Qt::CaseInsensitive))
                candidates << f;
        for (const QString &f : installed)
            if (!candidates.contains(f, Qt::CaseInsensitive))
                candidates << f;
        QString best;
        qint64 bestShared = -1;
        QString all;
        for (char32_t uc = 1; uc < 0x10000; ++uc)
            all += (uc >= 0xD800 && uc < 0xE000) ? QChar(u' ') : QChar(char16_t(uc));
        for (const QString &family : std::as_const(candidates)) {
            const QRawFont raw = QRawFont::fromFont(QFont(family));
            if (!raw.isValid())
                continue;
            const QList<quint32> glyphs = raw.glyphIndexesForString(all);
            if (glyphs.size() != all.size())
                continue;
            QHash<quint32, int> lowest;
            for (int i = 0; i < glyphs.size(); ++i)
                if (glyphs.at(i) && !lowest.contains(glyphs.at(i)))
                    lowest.insert(glyphs.at(i), i);
            qint64 shared = 0, known = 0;
            for (int i = 0x4E00 - 1; i < 0x9FA5; ++i)
                if (glyphs.at(i)) {
                    ++known;
                    if (lowest.value(glyphs.at(i)) != i)
                        ++shared;
                }
            if (known < 20000)
                continue; // not a font for Chinese text
            if (bestShared < 0 || shared < bestShared) {
                best = family;
                bestShared = shared;
            }
            if (shared == 0)
                break;
        }
        return best;
    }();
    return chosen;
}

QString ReportView::toHtml(QString *error) const
{
    if (m_model->queryRows() > kMaxPdfRows) {
        if (error)
            *error = QStringLiteral("“%1”有 %2 行，打印和 PDF 最多 %3 行：请缩小查询范围，或导出 CSV。")
                         .arg(m_def.caption, countText(m_model->queryRows()), countText(kMaxPdfRows));
        return QString();
    }
    const QString family = pdfFontFamily();
    QString h = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body%1>")
                    .arg(family.isEmpty() ? QString() : QStringLiteral(" style=\"font-family: '%1'\"").arg(family.toHtmlEscaped()));
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
    QString why;
    m_model->forEachRow(
        [&](RowKind kind, const QStringList &texts) {
            h += kind == DataRow ? QStringLiteral("<tr>") : QStringLiteral("<tr bgcolor=\"#f0f3f8\">");
            for (int i = 0; i < m_def.columns.size(); ++i) {
                const QString t = texts.value(i).toHtmlEscaped();
                const QString align = m_def.columns.at(i).type == u'n' ? QStringLiteral(" align=\"right\"") : QString();
                h += kind == DataRow ? QStringLiteral("<td%1>%2</td>").arg(align, t)
                                     : QStringLiteral("<td%1><b>%2</b></td>").arg(align, t);
            }
            h += QStringLiteral("</tr>");
            return true;
        },
        &why);
    h += QStringLiteral("</table><p>共 %1 行　打印日期：%2</p></body></html>")
             .arg(countText(m_model->queryRows()), QDate::currentDate().toString(Qt::ISODate));
    return h;
}

bool ReportView::exportCsv(const QString &file, QString *error, const std::function<bool(qint64, qint64)> &progress) const
{
    // Written beside the file and put in its place only when whole: a stopped or failed
    // export leaves no file that looks complete.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("无法写入文件 %1：%2").arg(file, out.errorString());
        return false;
    }
    // With the byte order mark a spreadsheet program opens the Chinese text as UTF-8.
    QByteArray buffer = QByteArray("\xEF\xBB\xBF") + csvHead(m_def.columns).toUtf8() + "\r\n";
    const qint64 total = m_model->queryRows();
    qint64 done = 0;
    bool stopped = false, writeFailed = false;
    QString why;
    const bool read = m_model->forEachRow(
        [&](RowKind kind, const QStringList &texts) {
            buffer += csvLine(m_def.columns, texts).toUtf8() + "\r\n";
            if (kind == DataRow && (++done % 1000) == 0) {
                if (out.write(buffer) != buffer.size()) {
                    writeFailed = true;
                    return false;
                }
                buffer.clear();
                if (progress && !progress(done, total)) {
                    stopped = true;
                    return false;
                }
            }
            return true;
        },
        &why);
    if (stopped) {
        out.cancelWriting();
        *error = QStringLiteral("导出已取消，未写入文件 %1。").arg(file);
        return false;
    }
    if (!read) {
        out.cancelWriting();
        *error = QStringLiteral("读取“%1”失败，未写入文件 %2：%3").arg(m_def.caption, file, why);
        return false;
    }
    if (writeFailed || out.write(buffer) != buffer.size() || !out.commit()) {
        *error = QStringLiteral("无法写入文件 %1：%2").arg(file, out.errorString());
        out.cancelWriting();
        return false;
    }
    if (progress)
        progress(done, total);
    return true;
}

bool ReportView::exportPdf(const QString &file, QString *error) const
{
    const QString html = toHtml(error);
    if (html.isEmpty())
        return false;
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
    if (!pdfFontFamily().isEmpty())
        doc.setDefaultFont(QFont(pdfFontFamily(), 9));
    doc.setHtml(html);
    doc.print(&writer);
    return true;
}

void ReportView::printPreview()
{
    QString error;
    const QString html = toHtml(&error);
    if (html.isEmpty()) {
        ui::msgBox(error, ui::Exclamation, m_def.caption);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(m_def.columns.size() > 6 ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(m_def.caption + QStringLiteral(" - 打印预览"));
    preview.resize(900, 700);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [html](QPrinter *p) {
        QTextDocument doc;
        if (!pdfFontFamily().isEmpty())
            doc.setDefaultFont(QFont(pdfFontFamily(), 9));
        doc.setHtml(html);
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
    if (!file.isEmpty())
        exportTo(file, pdf);
}

bool ReportView::exportTo(const QString &file, bool pdf)
{
    QString error;
    bool ok = false;
    if (pdf) {
        ok = exportPdf(file, &error);
    } else {
        // Esc or 取消 stops it; the half-written file is removed.
        QProgressDialog progress(QStringLiteral("正在导出“%1”…").arg(m_def.caption), QStringLiteral("取消"), 0, 100, this);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(300);
        ok = exportCsv(file, &error, [&progress](qint64 done, qint64 total) {
            progress.setValue(total > 0 ? int(done * 100 / total) : 100);
            return !progress.wasCanceled();
        });
    }
    if (!ok) {
        say(error);
        ui::msgBox(error, ui::Exclamation, m_def.caption);
        return false;
    }
    say(QStringLiteral("已导出 %1 行到 %2").arg(countText(m_model->queryRows()), file));
    return true;
}

} // namespace lwcommon
