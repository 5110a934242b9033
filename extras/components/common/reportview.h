#pragma once
// The report page the report, query and alert components share: a row of
// parameters, a grid whose rows are grouped by the definition's group column with
// a subtotal after each group and a total at the end, print preview, and export
// to PDF and CSV. A data row whose document is known opens it (openRequested).
#include "progdef.h"

#include <QWidget>

class QTableWidget;
class QLabel;
class QPushButton;
class QGroupBox;
class SystemServices;

namespace lwcommon {

class ReportView : public QWidget
{
    Q_OBJECT
public:
    enum RowKind { DataRow, SubtotalRow, TotalRow };
    enum Layout {
        ParameterRow, // parameters in one row above the grid (reports)
        QueryForm,    // parameters as a form of conditions, run on request (queries)
        Bare,         // no parameters or buttons (one section of the alert list)
    };

    ReportView(const Definition &definition, SystemServices *sys, Layout layout, QWidget *parent = nullptr);

    const Definition &definition() const { return m_def; }
    void setParam(const QString &name, const QString &value);
    QString param(const QString &name) const;

    // Runs the query with the parameters shown; false with lastError() (the grid is left empty).
    bool run();
    QString lastError() const { return m_lastError; }

    int rowCount() const;
    RowKind rowKind(int row) const;
    QString cell(int row, const QString &column) const;
    int dataRowCount() const { return m_dataRows; }
    // The key of the document a data row opens ("" for other rows).
    QString rowKey(int row) const;

    // The grid as a CSV text (UTF-8, comma separated, quoted where needed).
    QString toCsv() const;
    // The grid as an HTML page for printing and PDF.
    QString toHtml() const;
    bool exportCsv(const QString &file, QString *error) const;
    bool exportPdf(const QString &file, QString *error) const;

Q_SIGNALS:
    void openRequested(int programNumber, const QString &key);
    void failed(const QString &text);
    void ran(int rows);

private:
    void buildUi(Layout layout);
    void fitColumns();
    void addRow(RowKind kind, const QStringList &texts, const QString &key);
    void printPreview();
    void askExport(bool pdf);

    Definition m_def;
    SystemServices *m_sys = nullptr;
    QMap<QString, QWidget *> m_editors;
    QTableWidget *m_grid = nullptr;
    QLabel *m_summary = nullptr;
    QString m_lastError;
    int m_dataRows = 0;
};

} // namespace lwcommon
