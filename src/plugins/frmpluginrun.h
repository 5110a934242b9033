#pragma once
// frmPluginRun, "外接程序管理器": the plug-ins of the Plugin folder in a
// report-style list; configure or run the selected one. Each opening is a new
// window: it scans the folder when it is made, is shown modally over the main
// window, and writes the exit record when it closes.
#include "plugins/pluginscan.h"

#include <QWidget>

#include <cstdint>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class Session;

namespace plugins {
struct PluginRow;
}

class frmPluginRun : public QWidget
{
    Q_OBJECT
public:
    // Loads the window: the list's columns and the scan (Form_Load).
    explicit frmPluginRun(Session &session, QWidget *parent = nullptr);
    ~frmPluginRun() override;

    void Py_Init(int32_t operationId, const QString &caption);

    // The list columns (sub-items), as the row's texts are kept.
    enum Column { Description, StyleName, FileName, ClassName, Path, Name, Reg, ColumnCount };

    QTreeWidget *LV() const { return m_lv; }
    QPushButton *Cmd(int index) const { return m_cmd[index]; }
    QPlainTextEdit *txtDescription() const { return m_txtDescription; }
    QLabel *lblAuthor() const { return m_lblAuthor; }
    // Below the plug-ins: every library of the folder that gives none, or
    // whose class failed, with the reason (hidden when there is none).
    QTreeWidget *lvRefused() const { return m_lvRefused; }
    enum RefusedColumn { RefusedFile, RefusedReason };

    void configureSelected(); // Cmd(0)
    void runSelected();       // Cmd(1) and a double click

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    plugins::PluginObject initialisedPlugin(const QTreeWidgetItem *item);
    void LoadPlugin();
    void addRow(const plugins::PluginRow &row);
    void addRefused(const plugins::LibraryReport &library);
    void showDetails(QTreeWidgetItem *item);
    void Form_Unload();

    Session &m_session;
    int32_t m_operationId = 0;
    QString m_caption;
    bool m_unloaded = false;
    QTreeWidget *m_lv = nullptr;
    QLabel *m_lblRefused = nullptr;
    QTreeWidget *m_lvRefused = nullptr;
    QPushButton *m_cmd[3] = {};
    QPlainTextEdit *m_txtDescription = nullptr;
    QLabel *m_lblDescription = nullptr;
    QLabel *m_lblAuthor = nullptr;
};
