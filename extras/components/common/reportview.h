#pragma once
// The report page the report, query and alert components share: a row of
// parameters, a grid whose rows are grouped by the definition's group column with
// a subtotal after each group and a total at the end, print preview, and export
// to PDF and CSV. A data row whose document is known opens it (openRequested).
//
// The grid reads the result a page at a time as it is scrolled (PagedModel);
// the row count, the subtotals and the total are computed by the database over
// the whole result. A grouped report's SQL orders its rows by the group column
// first, so each group's rows stand together.
#include "pagedmodel.h"
#include "progdef.h"

#include <QWidget>

#include <functional>

class QTableView;
class QLabel;
class QPushButton;
class QGroupBox;
class SystemServices;

namespace lwcommon {

class ReportView : public QWidget
{
    Q_OBJECT
public:
    using RowKind = PagedModel::RowKind;
    static constexpr RowKind DataRow = PagedModel::DataRow;
    static constexpr RowKind SubtotalRow = PagedModel::SubtotalRow;
    static constexpr RowKind TotalRow = PagedModel::TotalRow;
    enum Layout {
        ParameterRow, // parameters in one row above the grid (reports)
        QueryForm,    // parameters as a form of conditions, run on request (queries)
        Bare,         // no parameters or buttons (one section of the alert list)
    };
    // A PDF holds at most this many rows of a result (a larger one goes to CSV).
    static constexpr int kMaxPdfRows = 5000;

    ReportView(const Definition &definition, SystemServices *sys, Layout layout, QWidget *parent = nullptr);

    const Definition &definition() const { return m_def; }
    void setParam(const QString &name, const QString &value);
    QString param(const QString &name) const;

    // Runs the query with the parameters shown; false with lastError() (the grid is left empty).
    // Refused before the database is asked: a date that is none, a start after its end.
    bool run();
    QString lastError() const { return m_lastError; }

    int rowCount() const;
    RowKind rowKind(int row) const;
    QString cell(int row, const QString &column) const;
    // Rows of the result (subtotals and the total not counted).
    int dataRowCount() const { return int(m_model->queryRows()); }
    // The key of the document a data row opens ("" for other rows).
    QString rowKey(int row) const;
    // What a double click on a row does: opens its document, or says in the status line why not.
    void activateRow(int row);
    PagedModel *model() const { return m_model; }
    QTableView *grid() const { return m_grid; }

    // The grid as a CSV text (UTF-8, comma separated, quoted where needed).
    QString toCsv() const;
    // The grid as an HTML page for printing and PDF ("" with *error when it is too long for one).
    QString toHtml(QString *error = nullptr) const;
    // progress(rows written, rows in all) is asked as the rows are written and stops the
    // export when it answers false; a stopped or failed export leaves no file behind.
    bool exportCsv(const QString &file, QString *error,
                   const std::function<bool(qint64 done, qint64 total)> &progress = {}) const;
    bool exportPdf(const QString &file, QString *error) const;
    // What 导出 PDF / 导出 CSV do once a file is chosen: the CSV with a progress window that
    // Esc stops; the outcome in the status line ("已导出 1,234 行到 …") or in a message.
    bool exportTo(const QString &file, bool pdf);
    // The installed Chinese (Simplified) font PDF text is written with: one whose
    // characters copy out of the PDF as they were written. "" when none is installed.
    static QString pdfFontFamily();

Q_SIGNALS:
    void openRequested(int programNumber, const QString &key);
    void failed(const QString &text);
    // Status texts: rows counted, exports done, rows that open nothing.
    void message(const QString &text);
    void ran(int rows);

private:
    void buildUi(Layout layout);
    void fitColumns();
    // One pass of the database over the whole result: its row count, the group subtotals and the total.
    // Reads only the definition: it runs on a thread of its own while the first page is read.
    bool computeTotals(Database *db, const QString &body, const QVariantList &bound, qint64 *rows,
                       QList<PagedModel::ExtraRow> *extra, QString *error) const;
    void printPreview();
    void askExport(bool pdf);
    void say(const QString &text);

    Definition m_def;
    SystemServices *m_sys = nullptr;
    QMap<QString, QWidget *> m_editors;
    QTableView *m_grid = nullptr;
    PagedModel *m_model = nullptr;
    QLabel *m_summary = nullptr;
    QString m_lastError;
};

} // namespace lwcommon
