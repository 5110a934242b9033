#include "oedit.h"

#include "components/database.h"
#include "components/sysservices.h"
#include "platform/uiservice.h"

#include <QDate>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace lwedit {

namespace {

using lwcommon::isIdentifier;

QString columnList(const QList<Column> &cols)
{
    QStringList names;
    for (const Column &c : cols)
        names << c.name;
    return names.join(QStringLiteral(", "));
}

QString placeholders(int n)
{
    QStringList q;
    for (int i = 0; i < n; ++i)
        q << QStringLiteral("?");
    return q.join(QStringLiteral(", "));
}

// " and col = ? ..." for the program's scope, its values appended to params.
QString scopeCondition(const Definition &d, QVariantList *params)
{
    QString sql;
    for (const auto &[col, value] : d.scope) {
        sql += QStringLiteral(" and %1 = ?").arg(col);
        *params << value;
    }
    return sql;
}

bool rowIsBlank(const QTableWidget *lines, int row)
{
    for (int i = 0; i < lines->columnCount(); ++i)
        if (lines->item(row, i) && !lines->item(row, i)->text().trimmed().isEmpty())
            return false;
    return true;
}

QVariant bound(const Column &c, const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return QVariant();
    if (c.type == QLatin1Char('n'))
        return t.toDouble();
    return t;
}

// Why the value does not fit the column, or "".
QString checkValue(const Column &c, const QString &text, const QString &where)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return c.required ? QStringLiteral("%1“%2”不能为空。").arg(where, c.caption) : QString();
    const QString problem = lwcommon::typeProblem(c.type, c.caption, t);
    return problem.isEmpty() ? QString() : where + problem;
}

} // namespace

OEdit::OEdit(QWidget *parent) : QWidget(parent) {}
OEdit::~OEdit() = default;

bool OEdit::Py_Init(SystemServices *&sys, clsConfig *&, int32_t &programNumber, QVariantList &args)
{
    QString error;
    m_db = sys ? sys->database() : nullptr;
    if (!lwcommon::readDefinition(m_db, programNumber, &m_def, &error) || m_def.kind != QLatin1String("edit")) {
        if (error.isEmpty())
            error = QStringLiteral("程序号 %1 不是单据。").arg(programNumber);
        Q_EMIT objectEvent(QStringLiteral("errmessage"), {error, 8, QStringLiteral("LwEdit.oedit")});
        Q_EMIT objectEvent(QStringLiteral("unload"), {true});
        return false;
    }
    buildUi();
    reloadList();
    // Main window: {0}. Edit window: {parameter, open mode, data object}.
    if (args.size() >= 2) {
        m_openMode = args.at(1).toInt();
        const QVariant key = args.at(0);
        if (m_openMode == 1)
            newRecord();
        else if (!key.toString().isEmpty() && key.toString() != QLatin1String("0"))
            openRecord(key);
    }
    Q_EMIT objectEvent(QStringLiteral("message"), {QStringLiteral("%1：%2 条记录").arg(m_def.caption).arg(listRowCount())});
    return true;
}

void OEdit::Clear()
{
    m_dirty = false;
    m_db = nullptr;
}

void OEdit::setSParameters(const ParameterSet &parameters)
{
    const QVariant id = parameters.value(QStringLiteral("sID"));
    if (id.isValid() && !id.toString().isEmpty())
        openRecord(id);
}

QString OEdit::unsavedWork() const
{
    const QString number = m_def.key.isEmpty() ? QString() : field(m_def.key).trimmed();
    return number.isEmpty() ? m_def.caption + QStringLiteral("（新单据）") : m_def.caption + u' ' + number;
}

bool OEdit::queryClose()
{
    if (!m_dirty)
        return true;
    const int answer = ui::msgBox(QStringLiteral("“%1”已修改，是否保存？").arg(m_def.caption), 3 | ui::Question,
                                  m_def.caption);
    if (answer == ui::Yes)
        return save();
    if (answer == ui::No) {
        m_dirty = false;
        return true;
    }
    return false;
}

void OEdit::buildUi()
{
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(8, 8, 8, 8);
    m_stack = new QStackedWidget(this);
    root->addWidget(m_stack);

    // The list page.
    auto *listPage = new QWidget;
    auto *lv = new QVBoxLayout(listPage);
    lv->setContentsMargins(0, 0, 0, 0);
    auto *bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("查找：")));
    m_filterEdit = new QLineEdit;
    m_filterEdit->setPlaceholderText(QStringLiteral("输入编号、名称等"));
    bar->addWidget(m_filterEdit, 1);
    auto *btnNew = new QPushButton(QStringLiteral("新增"));
    btnNew->setVisible(!m_def.readOnly);
    auto *btnOpen = new QPushButton(QStringLiteral("打开"));
    bar->addWidget(btnNew);
    bar->addWidget(btnOpen);
    lv->addLayout(bar);
    m_list = new QTableWidget;
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSortingEnabled(true);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    lv->addWidget(m_list);
    m_stack->addWidget(listPage);
    connect(m_filterEdit, &QLineEdit::textChanged, this, &OEdit::setFilter);
    connect(btnNew, &QPushButton::clicked, this, &OEdit::newRecord);
    auto openRow = [this](int row) {
        if (row >= 0 && m_list->item(row, 0))
            openRecord(m_list->item(row, 0)->data(Qt::UserRole));
    };
    connect(btnOpen, &QPushButton::clicked, this, [this, openRow] { openRow(m_list->currentRow()); });
    connect(m_list, &QTableWidget::cellDoubleClicked, this, openRow);

    // The form page.
    auto *formPage = new QWidget;
    auto *fv = new QVBoxLayout(formPage);
    fv->setContentsMargins(0, 0, 0, 0);
    m_title = new QLabel;
    QFont tf = m_title->font();
    tf.setPointSizeF(tf.pointSizeF() * 1.4);
    tf.setBold(true);
    m_title->setFont(tf);
    m_title->setAlignment(Qt::AlignCenter);
    fv->addWidget(m_title);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(8);
    for (int i = 0; i < m_def.columns.size(); ++i) {
        const Column &c = m_def.columns.at(i);
        auto *label = new QLabel(c.caption + (c.required ? QStringLiteral(" *") : QString()) + QStringLiteral("："));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto *edit = new QLineEdit;
        edit->setObjectName(c.name);
        if (c.type == QLatin1Char('n'))
            edit->setAlignment(Qt::AlignRight);
        connect(edit, &QLineEdit::textEdited, this, [this] { m_dirty = true; });
        m_fields << edit;
        grid->addWidget(label, i / 2, (i % 2) * 2);
        grid->addWidget(edit, i / 2, (i % 2) * 2 + 1);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    fv->addLayout(grid);
    if (m_def.hasLines()) {
        m_lines = new QTableWidget(0, int(m_def.lineColumns.size()));
        QStringList heads;
        for (int i = 0; i < m_def.lineColumns.size(); ++i) {
            heads << m_def.lineColumns.at(i).caption;
            m_lines->setColumnWidth(i, m_def.lineColumns.at(i).width);
        }
        m_lines->setHorizontalHeaderLabels(heads);
        m_lines->horizontalHeader()->setStretchLastSection(true);
        connect(m_lines, &QTableWidget::cellChanged, this, [this] {
            if (!m_loading)
                m_dirty = true;
        });
        fv->addWidget(m_lines, 1);
    } else {
        fv->addStretch(1);
    }
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto *btnAddLine = m_btnAddLine = new QPushButton(QStringLiteral("增行"));
    auto *btnSave = m_btnSave = new QPushButton(QStringLiteral("保存"));
    m_btnModify = new QPushButton(QStringLiteral("修改"));
    m_btnModify->hide();
    buttons->addWidget(m_btnModify);
    connect(m_btnModify, &QPushButton::clicked, this, [this] { setEditable(true); });
    auto *btnBack = new QPushButton(QStringLiteral("返回列表"));
    btnAddLine->setVisible(m_def.hasLines());
    buttons->addWidget(btnAddLine);
    buttons->addWidget(btnSave);
    buttons->addWidget(btnBack);
    fv->addLayout(buttons);
    m_stack->addWidget(formPage);
    connect(btnAddLine, &QPushButton::clicked, this, [this] {
        if (m_lines)
            m_lines->insertRow(m_lines->rowCount());
    });
    connect(btnSave, &QPushButton::clicked, this, [this] {
        if (save())
            ui::msgBox(QStringLiteral("已保存。"), ui::Information, m_def.caption);
    });
    connect(btnBack, &QPushButton::clicked, this, [this] {
        if (queryClose())
            showForm(false);
    });
}

void OEdit::showForm(bool show)
{
    if (m_stack)
        m_stack->setCurrentIndex(show ? 1 : 0);
}

void OEdit::reloadList()
{
    if (!m_list || !m_db)
        return;
    QString sql = QStringLiteral("select %1, %2 from %3 where 1 = 1").arg(m_def.key, columnList(m_def.columns), m_def.table);
    QVariantList params;
    sql += scopeCondition(m_def, &params);
    if (!m_filter.isEmpty()) {
        QStringList conds;
        for (const Column &c : m_def.columns)
            if (c.type == QLatin1Char('t')) {
                conds << QStringLiteral("%1 like ?").arg(c.name);
                params << QStringLiteral("%%1%").arg(m_filter);
            }
        if (!conds.isEmpty())
            sql += QStringLiteral(" and (") + conds.join(QStringLiteral(" or ")) + u')';
    }
    sql += QStringLiteral(" order by %1").arg(m_def.key);
    m_db->ClearError();
    RecordSetPtr rs = m_db->query(sql, params);
    m_list->setSortingEnabled(false);
    m_list->clear();
    m_list->setColumnCount(int(m_def.columns.size()));
    QStringList heads;
    for (int i = 0; i < m_def.columns.size(); ++i) {
        heads << m_def.columns.at(i).caption;
        m_list->setColumnWidth(i, m_def.columns.at(i).width);
    }
    m_list->setHorizontalHeaderLabels(heads);
    m_list->setRowCount(rs ? rs->recordCount() : 0);
    int row = 0;
    for (; rs && !rs->isEOF(); rs->moveNext(), ++row) {
        for (int i = 0; i < m_def.columns.size(); ++i) {
            auto *item = new QTableWidgetItem(rs->text(m_def.columns.at(i).name));
            if (m_def.columns.at(i).type == QLatin1Char('n'))
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (i == 0)
                item->setData(Qt::UserRole, rs->field(m_def.key));
            m_list->setItem(row, i, item);
        }
    }
    m_list->setSortingEnabled(true);
    if (!rs || (!m_db->LastError().isEmpty() && rs->recordCount() == 0))
        fail(QStringLiteral("读取“%1”失败：%2").arg(m_def.caption, m_db->LastError().description));
}

void OEdit::setFilter(const QString &text)
{
    m_filter = text.trimmed();
    reloadList();
}

int OEdit::listRowCount() const { return m_list ? m_list->rowCount() : 0; }

QString OEdit::listText(int row, const QString &column) const
{
    for (int i = 0; m_list && i < m_def.columns.size(); ++i)
        if (m_def.columns.at(i).name.compare(column, Qt::CaseInsensitive) == 0)
            return m_list->item(row, i) ? m_list->item(row, i)->text() : QString();
    return QString();
}

bool OEdit::openRecord(const QVariant &key)
{
    if (!m_db || m_fields.isEmpty())
        return false;
    QVariantList params{key};
    const QString scope = scopeCondition(m_def, &params);
    RecordSetPtr rs = m_db->query(
        QStringLiteral("select %1 from %2 where %3 = ?").arg(columnList(m_def.columns), m_def.table, m_def.key) + scope,
        params);
    if (!rs || rs->recordCount() == 0) {
        fail(QStringLiteral("“%1”中没有编号为 %2 的记录。").arg(m_def.caption, key.toString()));
        return false;
    }
    m_loading = true;
    for (int i = 0; i < m_def.columns.size(); ++i)
        m_fields.at(i)->setText(rs->text(m_def.columns.at(i).name));
    if (m_lines) {
        RecordSetPtr lr = m_db->query(QStringLiteral("select %1 from %2 where %3 = ? order by lineno")
                                          .arg(columnList(m_def.lineColumns), m_def.lineTable, m_def.lineForeignKey),
                                      {key});
        m_lines->setRowCount(lr ? lr->recordCount() : 0);
        int row = 0;
        for (; lr && !lr->isEOF(); lr->moveNext(), ++row)
            for (int i = 0; i < m_def.lineColumns.size(); ++i)
                m_lines->setItem(row, i, new QTableWidgetItem(lr->text(m_def.lineColumns.at(i).name)));
    }
    m_loading = false;
    setEditable(!m_def.readOnly && m_openMode != 0 && m_openMode != 3);
    m_currentKey = key;
    m_dirty = false;
    m_title->setText(m_def.caption);
    showForm(true);
    return true;
}

void OEdit::setEditable(bool editable)
{
    for (QLineEdit *e : std::as_const(m_fields))
        e->setReadOnly(!editable);
    if (m_lines)
        m_lines->setEditTriggers(editable ? QAbstractItemView::AllEditTriggers : QAbstractItemView::NoEditTriggers);
    if (m_btnSave)
        m_btnSave->setVisible(editable);
    if (m_btnAddLine)
        m_btnAddLine->setVisible(editable && m_def.hasLines());
    // A document opened to be looked at can still be changed on purpose.
    if (m_btnModify)
        m_btnModify->setVisible(!editable && !m_def.readOnly);
}

void OEdit::newRecord()
{
    if (m_fields.isEmpty() || m_def.readOnly)
        return;
    m_loading = true;
    for (QLineEdit *e : std::as_const(m_fields))
        e->clear();
    setEditable(true);
    if (m_lines)
        m_lines->setRowCount(0);
    m_loading = false;
    m_currentKey = QVariant();
    m_dirty = false;
    m_title->setText(m_def.caption + QStringLiteral("（新增）"));
    showForm(true);
}

void OEdit::setField(const QString &column, const QString &value)
{
    for (QLineEdit *e : std::as_const(m_fields))
        if (e->objectName().compare(column, Qt::CaseInsensitive) == 0) {
            e->setText(value);
            m_dirty = true;
        }
}

QString OEdit::field(const QString &column) const
{
    for (QLineEdit *e : m_fields)
        if (e->objectName().compare(column, Qt::CaseInsensitive) == 0)
            return e->text();
    return QString();
}

void OEdit::setLines(const QList<QMap<QString, QString>> &lines)
{
    if (!m_lines)
        return;
    m_lines->setRowCount(int(lines.size()));
    for (int r = 0; r < lines.size(); ++r)
        for (int i = 0; i < m_def.lineColumns.size(); ++i)
            m_lines->setItem(r, i, new QTableWidgetItem(lines.at(r).value(m_def.lineColumns.at(i).name)));
    m_dirty = true;
}

int OEdit::lineCount() const { return m_lines ? m_lines->rowCount() : 0; }

QString OEdit::validate() const
{
    QStringList problems;
    for (int i = 0; i < m_def.columns.size(); ++i) {
        const QString p = checkValue(m_def.columns.at(i), m_fields.at(i)->text(), QString());
        if (!p.isEmpty())
            problems << p;
    }
    for (int r = 0; m_lines && r < m_lines->rowCount(); ++r) {
        if (rowIsBlank(m_lines, r))
            continue;
        for (int i = 0; i < m_def.lineColumns.size(); ++i) {
            const QTableWidgetItem *item = m_lines->item(r, i);
            const QString p = checkValue(m_def.lineColumns.at(i), item ? item->text() : QString(),
                                         QStringLiteral("第 %1 行").arg(r + 1));
            if (!p.isEmpty())
                problems << p;
        }
    }
    return problems.join(QLatin1Char('\n'));
}

void OEdit::fail(const QString &text)
{
    m_lastError = text;
    Q_EMIT objectEvent(QStringLiteral("errmessage"), {text, 8, QStringLiteral("LwEdit.oedit")});
}

bool OEdit::save()
{
    m_lastError.clear();
    if (m_def.readOnly) {
        fail(QStringLiteral("“%1”只能查看，不能修改。").arg(m_def.caption));
        return false;
    }
    if (!m_db || m_fields.isEmpty()) {
        fail(QStringLiteral("没有数据库连接。"));
        return false;
    }
    const QString problems = validate();
    if (!problems.isEmpty()) {
        fail(problems);
        return false;
    }
    QVariantList values;
    for (int i = 0; i < m_def.columns.size(); ++i)
        values << bound(m_def.columns.at(i), m_fields.at(i)->text());
    const int keyIndex = [this] {
        for (int i = 0; i < m_def.columns.size(); ++i)
            if (m_def.columns.at(i).name.compare(m_def.key, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }();
    const QVariant newKey = keyIndex >= 0 ? values.at(keyIndex) : m_currentKey;
    if (!newKey.isValid() || newKey.toString().isEmpty()) {
        fail(QStringLiteral("“%1”的编号不能为空。").arg(m_def.caption));
        return false;
    }
    if (!m_db->transaction()) {
        fail(QStringLiteral("保存失败：%1").arg(m_db->LastError().description));
        return false;
    }
    bool ok = true;
    if (m_currentKey.isValid()) {
        QStringList sets;
        for (const Column &c : std::as_const(m_def.columns))
            sets << c.name + QStringLiteral(" = ?");
        QVariantList p = values;
        p << m_currentKey;
        const QString scope = scopeCondition(m_def, &p);
        int affected = 0;
        ok = m_db->exec(QStringLiteral("update %1 set %2 where %3 = ?").arg(m_def.table, sets.join(QStringLiteral(", ")), m_def.key)
                            + scope,
                        p, &affected)
             && affected == 1;
    } else {
        // A new record of a scoped program gets the scope's values (its bill type, direction, ...).
        QString names = columnList(m_def.columns);
        QVariantList p = values;
        for (const auto &[col, value] : m_def.scope)
            if (!m_def.column(col)) {
                names += QStringLiteral(", ") + col;
                p << value;
            }
        ok = m_db->exec(QStringLiteral("insert into %1 (%2) values (%3)").arg(m_def.table, names, placeholders(int(p.size()))), p);
    }
    if (ok && m_lines) {
        if (m_currentKey.isValid())
            ok = m_db->exec(QStringLiteral("delete from %1 where %2 = ?").arg(m_def.lineTable, m_def.lineForeignKey),
                            {m_currentKey});
        // Lines are numbered as they stand in the grid.
        const QString ins = QStringLiteral("insert into %1 (%2, lineno, %3) values (?, ?, %4)")
                                .arg(m_def.lineTable, m_def.lineForeignKey, columnList(m_def.lineColumns),
                                     placeholders(int(m_def.lineColumns.size())));
        int lineNo = 0;
        for (int r = 0; ok && r < m_lines->rowCount(); ++r) {
            if (rowIsBlank(m_lines, r))
                continue;
            QVariantList p{newKey, ++lineNo};
            for (int i = 0; i < m_def.lineColumns.size(); ++i) {
                const QTableWidgetItem *item = m_lines->item(r, i);
                p << bound(m_def.lineColumns.at(i), item ? item->text() : QString());
            }
            ok = m_db->exec(ins, p);
        }
    }
    if (!ok) {
        const QString why = m_db->LastError().description;
        m_db->rollback();
        fail(QStringLiteral("保存“%1”失败，未保存任何内容：%2").arg(m_def.caption, why));
        return false;
    }
    if (!m_db->commit()) {
        const QString why = m_db->LastError().description;
        m_db->rollback();
        fail(QStringLiteral("保存“%1”失败，未保存任何内容：%2").arg(m_def.caption, why));
        return false;
    }
    m_currentKey = newKey;
    m_dirty = false;
    reloadList();
    Q_EMIT objectEvent(QStringLiteral("message"), {QStringLiteral("“%1”已保存。").arg(m_def.caption)});
    return true;
}

} // namespace lwedit
