#include "oedit.h"
#include "documentlist.h"

#include "../common/decimal.h"

#include "components/database.h"
#include "components/sysservices.h"
#include "core/logger.h"
#include "platform/uiservice.h"
#include "workspace/pinyininitials.h"

#include <QCompleter>
#include <algorithm>
#include <QDate>
#include <QDateTime>
#include <QStringListModel>
#include <QStyledItemDelegate>
#include <QThread>
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

// Why the value does not fit the column, or "" with *value the value to store.
QString checkValue(const Column &c, const QString &text, const QString &where, QVariant *value)
{
    const QString t = text.trimmed();
    *value = QVariant();
    if (t.isEmpty())
        return c.required ? QStringLiteral("%1“%2”不能为空。").arg(where, c.caption) : QString();
    if (c.type == QLatin1Char('n')) {
        QString canonical;
        const QString problem = lwcommon::checkNumber(c, t, &canonical);
        if (!problem.isEmpty())
            return where + problem;
        *value = canonical; // decimal text: the database converts it exactly
        return QString();
    }
    const QString problem = lwcommon::typeProblem(c.type, c.caption, t);
    if (!problem.isEmpty())
        return where + problem;
    *value = t;
    return QString();
}

QString cellText(const QTableWidget *lines, int row, int column)
{
    const QTableWidgetItem *item = lines->item(row, column);
    return item ? item->text() : QString();
}

int indexOf(const QList<Column> &cols, const QString &name)
{
    for (int i = 0; i < cols.size(); ++i)
        if (cols.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// "S003  宁波五金制品公司  nbwjzpgs": found by code, name or initials (each spelling of a name
// with an ideograph read more than one way); the code goes into the field.
QStringList candidates(const QMap<QString, QString> &names)
{
    QStringList out;
    for (auto it = names.cbegin(); it != names.cend(); ++it)
        out << QStringLiteral("%1  %2  %3").arg(it.key(), it.value(), pinyin::initialsSpellings(it.value()).join(u' '));
    return out;
}

QString codeOf(const QString &candidate) { return candidate.section(QStringLiteral("  "), 0, 0).trimmed(); }

QCompleter *makeCompleter(const QStringList &entries, QObject *parent)
{
    auto *c = new QCompleter(new QStringListModel(entries, parent), parent);
    c->setCaseSensitivity(Qt::CaseInsensitive);
    c->setFilterMode(Qt::MatchContains);
    c->setCompletionMode(QCompleter::PopupCompletion);
    return c;
}

// Line cells: computed columns cannot be edited; references complete by code, name or initials.
class LineDelegate : public QStyledItemDelegate
{
public:
    LineDelegate(const QList<Column> &cols, const QMap<QString, QMap<QString, QString>> &refs, QObject *parent)
        : QStyledItemDelegate(parent), m_cols(cols)
    {
        for (const Column &c : cols)
            if (!c.reference.isEmpty()) {
                m_entries.insert(c.name, candidates(refs.value(c.reference)));
                QHash<QString, QString> &names = m_names[c.name];
                const QMap<QString, QString> master = refs.value(c.reference);
                for (auto it = master.cbegin(); it != master.cend(); ++it)
                    names.insert(it.key().toUpper(), it.value()); // codes compare without case, as stored
            }
    }
    // The name beside the code, as the header's reference fields show it; the cell holds the code.
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const auto names = m_names.constFind(m_cols.at(index.column()).name);
        if (names == m_names.cend())
            return;
        const QString name = names->value(option->text.trimmed().toUpper());
        if (!name.isEmpty())
            option->text += QStringLiteral("  ") + name;
    }
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const Column &c = m_cols.at(index.column());
        if (c.computed())
            return nullptr;
        QWidget *w = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *edit = qobject_cast<QLineEdit *>(w); edit && m_entries.contains(c.name))
            edit->setCompleter(makeCompleter(m_entries.value(c.name), edit));
        return w;
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        if (auto *edit = qobject_cast<QLineEdit *>(editor); edit && m_entries.contains(m_cols.at(index.column()).name)) {
            model->setData(index, codeOf(edit->text()));
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    QList<Column> m_cols;
    QMap<QString, QStringList> m_entries;
    QHash<QString, QHash<QString, QString>> m_names; // per reference column: code (upper case) -> name
};

// What kind of failure the driver's text tells.
enum class Kind { Duplicate, ReadOnly, Busy, Connection, Other };
Kind classify(const QString &text)
{
    const QString t = text.toLower();
    if (t.contains(QLatin1String("unique")) || t.contains(QLatin1String("duplicate key")))
        return Kind::Duplicate;
    if (t.contains(QLatin1String("readonly")) || t.contains(QLatin1String("read-only")) || t.contains(QLatin1String("read only")))
        return Kind::ReadOnly;
    if (t.contains(QLatin1String("locked")) || t.contains(QLatin1String("busy")) || t.contains(QLatin1String("deadlock"))
        || t.contains(QLatin1String("timeout")) || t.contains(QLatin1String("could not serialize")))
        return Kind::Busy;
    if (t.contains(QLatin1String("connection")) || t.contains(QLatin1String("server closed"))
        || t.contains(QLatin1String("terminating")) || t.contains(QStringLiteral("尚未连接")))
        return Kind::Connection;
    return Kind::Other;
}

// A document's name as the start of a sentence: a space after a number, none after a bracket.
QString spaced(const QString &doc)
{
    return !doc.isEmpty() && doc.back().unicode() < 0x80 ? doc + u' ' : doc;
}

// What the operator is told when the database takes no writes.
QString readOnlyText(const QString &doc, const QString &action)
{
    return QStringLiteral("数据库只能读取，不能写入：%1未%2。请告知系统管理员。").arg(spaced(doc), action);
}

QString now() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

} // namespace

OEdit::OEdit(QWidget *parent) : QWidget(parent) {}
OEdit::~OEdit() = default;

bool OEdit::Py_Init(SystemServices *&sys, clsConfig *&, int32_t &programNumber, QVariantList &args)
{
    QString error;
    m_db = sys ? sys->database() : nullptr;
    m_sys = sys;
    m_programNumber = programNumber;
    if (!lwcommon::readDefinition(m_db, programNumber, &m_def, &error) || m_def.kind != QLatin1String("edit")) {
        if (error.isEmpty())
            error = QStringLiteral("程序号 %1 不是单据。").arg(programNumber);
        Q_EMIT objectEvent(QStringLiteral("errmessage"), {error, 8, QStringLiteral("LwEdit.oedit")});
        Q_EMIT objectEvent(QStringLiteral("unload"), {true});
        return false;
    }
    loadReferences();
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
    m_list = new DocumentList(m_def, m_references);
    m_list->setDatabase(m_db);
    m_stack->addWidget(m_list);
    connect(m_list, &DocumentList::newRequested, this, &OEdit::newRecord);
    connect(m_list, &DocumentList::openRequested, this, [this](const QVariant &key) { openRecord(key); });
    connect(m_list, &DocumentList::failed, this, &OEdit::fail);

    // The form page.
    auto *formPage = new QWidget;
    auto *fv = new QVBoxLayout(formPage);
    fv->setContentsMargins(0, 0, 0, 0);
    m_title = new QLabel;
    m_title->setObjectName(QStringLiteral("title"));
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
        // A reference shows the name of its code beside it and completes by code, name or initials.
        auto *name = new QLabel;
        name->setObjectName(c.name + QStringLiteral("_name"));
        name->setVisible(!c.reference.isEmpty());
        name->setMinimumWidth(c.reference.isEmpty() ? 0 : 160);
        m_names << name;
        if (!c.reference.isEmpty()) {
            QCompleter *completer = makeCompleter(candidates(m_references.value(c.reference)), edit);
            edit->setCompleter(completer);
            connect(completer, qOverload<const QString &>(&QCompleter::activated), edit, [edit](const QString &text) {
                QMetaObject::invokeMethod(edit, [edit, text] { edit->setText(codeOf(text)); }, Qt::QueuedConnection);
            });
            connect(edit, &QLineEdit::textChanged, name, [this, name, table = c.reference](const QString &text) {
                name->setText(m_references.value(table).value(codeOf(text)));
            });
        }
        auto *cell = new QHBoxLayout;
        cell->addWidget(edit, 1);
        cell->addWidget(name);
        grid->addWidget(label, i / 2, (i % 2) * 2);
        grid->addLayout(cell, i / 2, (i % 2) * 2 + 1);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    fv->addLayout(grid);
    if (m_def.hasLines()) {
        m_lines = new QTableWidget(0, int(m_def.lineColumns.size()));
        QStringList heads;
        const QFontMetrics fm(m_lines->font());
        for (int i = 0; i < m_def.lineColumns.size(); ++i) {
            const Column &c = m_def.lineColumns.at(i);
            heads << c.caption;
            // A reference column shows the name beside the code: wide enough for the longest one.
            int width = c.width;
            if (!c.reference.isEmpty()) {
                const QMap<QString, QString> names = m_references.value(c.reference);
                for (auto it = names.cbegin(); it != names.cend() && width < 360; ++it)
                    width = std::max(width, fm.horizontalAdvance(it.key() + QStringLiteral("  ") + it.value()) + 16);
            }
            m_lines->setColumnWidth(i, std::min(width, 360));
        }
        m_lines->setHorizontalHeaderLabels(heads);
        m_lines->horizontalHeader()->setStretchLastSection(true);
        m_lines->setItemDelegate(new LineDelegate(m_def.lineColumns, m_references, m_lines));
        connect(m_lines, &QTableWidget::cellChanged, this, [this] {
            if (!m_loading)
                m_dirty = true;
        });
        fv->addWidget(m_lines, 1);
    } else {
        fv->addStretch(1);
    }
    auto *buttons = new QHBoxLayout;
    m_note = new QLabel;
    m_note->setObjectName(QStringLiteral("note"));
    buttons->addWidget(m_note);
    buttons->addStretch(1);
    auto *btnAddLine = m_btnAddLine = new QPushButton(QStringLiteral("增行"));
    auto *btnSave = m_btnSave = new QPushButton(QStringLiteral("保存"));
    m_btnModify = new QPushButton(QStringLiteral("修改"));
    m_btnModify->hide();
    buttons->addWidget(m_btnModify);
    connect(m_btnModify, &QPushButton::clicked, this, [this] { setEditable(true); });
    m_btnApprove = new QPushButton(QStringLiteral("审核"));
    m_btnUnapprove = new QPushButton(QStringLiteral("弃审"));
    m_btnDelete = new QPushButton(QStringLiteral("删除"));
    m_btnDeleteLine = new QPushButton(QStringLiteral("删行"));
    for (QPushButton *b : {m_btnApprove, m_btnUnapprove, m_btnDelete}) {
        b->hide();
        buttons->addWidget(b);
    }
    m_btnDeleteLine->setVisible(false);
    connect(m_btnApprove, &QPushButton::clicked, this, [this] {
        if (approve())
            ui::msgBox(QStringLiteral("单据 %1 已审核。").arg(m_currentKey.toString()), ui::Information, m_def.caption);
    });
    connect(m_btnUnapprove, &QPushButton::clicked, this, [this] {
        if (unapprove())
            ui::msgBox(QStringLiteral("单据 %1 已弃审。").arg(m_currentKey.toString()), ui::Information, m_def.caption);
    });
    connect(m_btnDelete, &QPushButton::clicked, this, &OEdit::deleteRecord);
    connect(m_btnDeleteLine, &QPushButton::clicked, this, [this] {
        if (m_lines)
            deleteLine(m_lines->currentRow());
    });
    auto *btnBack = new QPushButton(QStringLiteral("返回列表"));
    btnAddLine->setVisible(m_def.hasLines());
    buttons->addWidget(btnAddLine);
    buttons->addWidget(m_btnDeleteLine);
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
    if (m_list)
        m_list->reload();
}

void OEdit::setFilter(const QString &text)
{
    if (m_list)
        m_list->setFilter(text);
}

int OEdit::listRowCount() const { return m_list ? m_list->rowCount() : 0; }

QString OEdit::listText(int row, const QString &column) const { return m_list ? m_list->text(row, column) : QString(); }

bool OEdit::openRecord(const QVariant &key)
{
    if (!m_db || m_fields.isEmpty())
        return false;
    QVariantList params{key};
    const QString scope = scopeCondition(m_def, &params);
    const QString version = m_def.versioned ? QStringLiteral(", version") : QString();
    RecordSetPtr rs = m_db->query(QStringLiteral("select %1%4 from %2 where %3 = ?")
                                          .arg(columnList(m_def.columns), m_def.table, m_def.key, version)
                                      + scope,
                                  params);
    if (!rs || rs->recordCount() == 0) {
        fail(QStringLiteral("“%1”中没有编号为 %2 的记录。").arg(m_def.caption, key.toString()));
        return false;
    }
    m_loading = true;
    for (int i = 0; i < m_def.columns.size(); ++i) {
        const Column &c = m_def.columns.at(i);
        m_fields.at(i)->setText(c.type == QLatin1Char('n') ? lwcommon::formatNumber(rs->field(c.name), c.decimals) : rs->text(c.name));
    }
    m_version = m_def.versioned ? rs->field(QStringLiteral("version")).toLongLong() : 0;
    if (m_lines) {
        RecordSetPtr lr = m_db->query(QStringLiteral("select %1 from %2 where %3 = ? order by lineno")
                                          .arg(columnList(m_def.lineColumns), m_def.lineTable, m_def.lineForeignKey),
                                      {key});
        m_lines->setRowCount(lr ? lr->recordCount() : 0);
        int row = 0;
        for (; lr && !lr->isEOF(); lr->moveNext(), ++row)
            for (int i = 0; i < m_def.lineColumns.size(); ++i) {
                const Column &c = m_def.lineColumns.at(i);
                auto *item = new QTableWidgetItem(c.type == QLatin1Char('n') ? lwcommon::formatNumber(lr->field(c.name), c.decimals)
                                                                            : lr->text(c.name));
                if (c.type == QLatin1Char('n'))
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                m_lines->setItem(row, i, item);
            }
    }
    m_loading = false;
    m_currentKey = key;
    // An approved document is looked at, never changed.
    setEditable(!m_def.readOnly && m_openMode != 0 && m_openMode != 3 && !isApproved());
    m_dirty = false;
    m_title->setText(isApproved() ? m_def.caption + QStringLiteral("（%1）").arg(field(m_def.statusColumn)) : m_def.caption);
    // The form says why it offers no change.
    m_note->setText(isApproved() && !m_def.readOnly
                        ? QStringLiteral("单据 %1 的状态是“%2”，不能修改。").arg(key.toString(), field(m_def.statusColumn))
                        : QString());
    showForm(true);
    return true;
}

bool OEdit::isApproved() const
{
    if (m_def.statusColumn.isEmpty() || !m_currentKey.isValid())
        return false;
    const QString status = field(m_def.statusColumn).trimmed();
    return !status.isEmpty() && status != m_def.statuses.first();
}

int OEdit::keyIndex() const { return indexOf(m_def.columns, m_def.key); }

void OEdit::setEditable(bool editable)
{
    for (int i = 0; i < m_fields.size(); ++i) {
        const Column &c = m_def.columns.at(i);
        // Computed and status fields are the editor's; a number it gives is typed only where the definition allows.
        const bool own = c.computed() || c.name.compare(m_def.statusColumn, Qt::CaseInsensitive) == 0
            || (i == keyIndex() && m_def.numbered() && (m_currentKey.isValid() || !m_def.numberTyped));
        m_fields.at(i)->setReadOnly(!editable || own);
    }
    if (m_lines)
        m_lines->setEditTriggers(editable ? QAbstractItemView::AllEditTriggers : QAbstractItemView::NoEditTriggers);
    if (m_btnSave)
        m_btnSave->setVisible(editable);
    if (m_btnAddLine)
        m_btnAddLine->setVisible(editable && m_def.hasLines());
    // A document opened to be looked at can still be changed on purpose, unless it is approved.
    if (m_btnModify)
        m_btnModify->setVisible(!editable && !m_def.readOnly && !isApproved());
    if (m_btnDeleteLine)
        m_btnDeleteLine->setVisible(editable && m_def.hasLines());
    updateActions();
}

void OEdit::updateActions()
{
    if (!m_btnApprove)
        return;
    const bool open = m_currentKey.isValid() && !m_def.readOnly;
    const QString status = field(m_def.statusColumn).trimmed();
    m_btnApprove->setVisible(open && m_def.approves && status == m_def.statuses.value(0));
    m_btnUnapprove->setVisible(open && m_def.approves && status == m_def.statuses.value(1));
    m_btnDelete->setVisible(open && !isApproved());
}

bool OEdit::mayDo(int right, const QString &action)
{
    if (m_sys && m_sys->rights(m_programNumber).right(right))
        return true;
    fail(QStringLiteral("您没有“%1”的%2权限。").arg(m_def.caption, action));
    return false;
}

// Why a document changed since it was opened cannot be written over (inside the open transaction).
QString OEdit::conflict(const QString &doc, const QString &action)
{
    QVariantList q{m_currentKey};
    const QString scope = scopeCondition(m_def, &q);
    RecordSetPtr rs = m_db->query(QStringLiteral("select %1 from %2 where %3 = ?")
                                          .arg(m_def.versioned ? QStringLiteral("modifier, modtime") : m_def.key, m_def.table, m_def.key)
                                      + scope,
                                  q);
    if (!rs || rs->recordCount() == 0) {
        if (action == QStringLiteral("删除"))
            return QStringLiteral("单据 %1 已被删除。").arg(doc);
        return QStringLiteral("单据 %1 已被删除，未%2。").arg(doc, action == QStringLiteral("改") ? QStringLiteral("保存") : action);
    }
    const QString by = rs->text(QStringLiteral("modifier"));
    const QDateTime at = QDateTime::fromString(rs->text(QStringLiteral("modtime")), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return by.isEmpty() || !at.isValid()
        ? QStringLiteral("单据 %1 已被其他操作员修改，请重新打开后再%2。").arg(doc, action)
        : QStringLiteral("单据 %1 已被 %2 于 %3 修改，请重新打开后再%4。").arg(doc, by, at.toString(QStringLiteral("HH:mm")), action);
}

bool OEdit::setStatus(const QString &from, const QString &to, int right, const QString &action)
{
    m_lastError.clear();
    if (!m_db || !m_currentKey.isValid() || !m_def.approves)
        return false;
    const QString doc = m_currentKey.toString();
    if (m_dirty) {
        fail(QStringLiteral("单据 %1 有未保存的修改，请先保存再%2。").arg(doc, action));
        return false;
    }
    if (field(m_def.statusColumn).trimmed() != from) {
        fail(QStringLiteral("单据 %1 的状态是“%2”，不能%3。").arg(doc, field(m_def.statusColumn), action));
        return false;
    }
    if (!mayDo(right, action))
        return false;
    const QString who = m_sys && m_sys->environment() ? m_sys->environment()->operatorName() : QString();
    const QString when = now();
    const bool approving = right == 2;
    QVariantList p{to, approving ? QVariant(who) : QVariant(QMetaType::fromType<QString>()),
                   approving ? QVariant(when) : QVariant(QMetaType::fromType<QString>()), m_version + 1, who, when, m_currentKey, m_version};
    QString sql = QStringLiteral("update %1 set %2 = ?, approver = ?, approvetime = ?, version = ?, modifier = ?, modtime = ? "
                                 "where %3 = ? and coalesce(version, 0) = ?")
                      .arg(m_def.table, m_def.statusColumn, m_def.key);
    sql += scopeCondition(m_def, &p);
    QString message;
    int affected = 0;
    m_db->ClearError(); // an earlier refusal stays recorded until cleared: this action reads its own
    const QString named = docText(doc, false);
    if (!writable(named, action, &message)) {
        fail(message);
        return false;
    }
    if (!m_db->transaction() || !m_db->exec(sql, p, &affected)) {
        failed(&message, named, action);
        fail(message);
        return false;
    }
    if (affected != 1) {
        message = conflict(doc, action);
        m_db->rollback();
        fail(message);
        return false;
    }
    if (!m_db->commit()) {
        failed(&message, named, action);
        fail(message);
        return false;
    }
    Logger::WriteOperation(QStringLiteral("%1 %2：%3").arg(m_def.caption, doc, action), m_programNumber, m_def.caption);
    reloadList();
    openRecord(m_currentKey);
    Q_EMIT objectEvent(QStringLiteral("message"), {QStringLiteral("单据 %1 已%2。").arg(doc, action)});
    return true;
}

bool OEdit::approve() { return setStatus(m_def.statuses.value(0), m_def.statuses.value(1), 2, QStringLiteral("审核")); }

bool OEdit::unapprove() { return setStatus(m_def.statuses.value(1), m_def.statuses.value(0), 3, QStringLiteral("弃审")); }

bool OEdit::deleteLine(int row)
{
    if (!m_lines || row < 0 || row >= m_lines->rowCount() || m_lines->editTriggers() == QAbstractItemView::NoEditTriggers)
        return false;
    if (!rowIsBlank(m_lines, row)
        && ui::msgBox(QStringLiteral("确定要删除第 %1 行吗？").arg(row + 1), 4 | ui::Question, m_def.caption) != ui::Yes)
        return false;
    m_lines->removeRow(row);
    m_dirty = true;
    return true;
}

bool OEdit::deleteRecord()
{
    m_lastError.clear();
    if (!m_db || !m_currentKey.isValid() || m_def.readOnly)
        return false;
    const QString doc = m_currentKey.toString();
    if (isApproved()) {
        fail(QStringLiteral("单据 %1 的状态是“%2”，不能删除。").arg(doc, field(m_def.statusColumn)));
        return false;
    }
    if (!mayDo(4, QStringLiteral("删除")))
        return false;
    if (ui::msgBox(QStringLiteral("确定要删除单据 %1 吗？").arg(doc), 4 | ui::Question, m_def.caption) != ui::Yes)
        return false;
    QString message;
    m_db->ClearError();
    const QString named = docText(doc, false);
    const QString action = QStringLiteral("删除");
    if (!writable(named, action, &message) || !m_db->transaction()) {
        if (message.isEmpty())
            failed(&message, named, action);
        fail(message);
        return false;
    }
    QVariantList p{m_currentKey};
    QString sql = QStringLiteral("delete from %1 where %2 = ?").arg(m_def.table, m_def.key);
    if (m_def.versioned) {
        sql += QStringLiteral(" and coalesce(version, 0) = ?");
        p << m_version;
    }
    if (!m_def.statusColumn.isEmpty()) {
        // Approved meanwhile by somebody else: it stays.
        sql += QStringLiteral(" and (%1 is null or %1 = '' or %1 = ?)").arg(m_def.statusColumn);
        p << m_def.statuses.first();
    }
    sql += scopeCondition(m_def, &p);
    int affected = 0;
    if (!m_db->exec(sql, p, &affected)) {
        failed(&message, named, action);
        fail(message);
        return false;
    }
    if (affected != 1) {
        message = conflict(doc, action);
        m_db->rollback();
        fail(message);
        return false;
    }
    if ((m_lines && !m_db->exec(QStringLiteral("delete from %1 where %2 = ?").arg(m_def.lineTable, m_def.lineForeignKey), {m_currentKey}))
        || !m_db->commit()) {
        failed(&message, named, action);
        fail(message);
        return false;
    }
    Logger::WriteOperation(QStringLiteral("%1 %2：删除").arg(m_def.caption, doc), m_programNumber, m_def.caption);
    m_currentKey = QVariant();
    m_dirty = false;
    reloadList();
    showForm(false);
    Q_EMIT objectEvent(QStringLiteral("message"), {QStringLiteral("单据 %1 已删除。").arg(doc)});
    return true;
}

void OEdit::newRecord()
{
    if (m_fields.isEmpty() || m_def.readOnly)
        return;
    m_loading = true;
    for (QLineEdit *e : std::as_const(m_fields))
        e->clear();
    m_currentKey = QVariant();
    m_version = 0;
    setEditable(true);
    // A new document is dated on the operating date and starts in the first status.
    for (int i = 0; i < m_def.columns.size(); ++i) {
        const Column &c = m_def.columns.at(i);
        if (c.type == QLatin1Char('d') && c.required) {
            m_fields.at(i)->setText(lwcommon::operatingDate(m_sys).toString(Qt::ISODate));
            break;
        }
    }
    if (!m_def.statusColumn.isEmpty())
        setField(m_def.statusColumn, m_def.statuses.first());
    if (m_lines)
        m_lines->setRowCount(0);
    m_loading = false;
    m_dirty = false;
    m_title->setText(m_def.caption + QStringLiteral("（新增）"));
    m_note->clear();
    showForm(true);
}

void OEdit::setField(const QString &column, const QString &value)
{
    for (QLineEdit *e : std::as_const(m_fields))
        if (e->objectName().compare(column, Qt::CaseInsensitive) == 0) {
            e->setText(value);
            if (!m_loading)
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

QString OEdit::lineText(int row, const QString &column) const
{
    const int i = indexOf(m_def.lineColumns, column);
    return m_lines && i >= 0 ? cellText(m_lines, row, i) : QString();
}

QString OEdit::referenceName(const QString &column) const
{
    const int i = indexOf(m_def.columns, column);
    return i >= 0 ? m_names.at(i)->text() : QString();
}

QStringList OEdit::completions(const QString &column, const QString &typed) const
{
    const Column *c = m_def.column(column);
    if (!c)
        c = m_def.lineColumn(column);
    QStringList out;
    if (!c || c->reference.isEmpty())
        return out;
    for (const QString &entry : candidates(m_references.value(c->reference)))
        if (entry.contains(typed.trimmed(), Qt::CaseInsensitive))
            out << codeOf(entry);
    return out;
}

void OEdit::loadReferences()
{
    for (const QList<Column> *cols : {&m_def.columns, &m_def.lineColumns})
        for (const Column &c : *cols) {
            if (c.reference.isEmpty() || m_references.contains(c.reference) || !m_db)
                continue;
            QMap<QString, QString> names;
            RecordSetPtr rs = m_db->query(QStringLiteral("select code, name from %1 order by code").arg(c.reference), {});
            for (; rs && !rs->isEOF(); rs->moveNext())
                names.insert(rs->text(QStringLiteral("code")), rs->text(QStringLiteral("name")));
            m_references.insert(c.reference, names);
        }
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
    QVariantList header;
    QList<QVariantList> lines;
    return collect(&header, &lines);
}

QString OEdit::collect(QVariantList *header, QList<QVariantList> *lines) const
{
    QStringList problems;
    const bool autoNumber = m_def.numbered() && !m_currentKey.isValid();
    for (int i = 0; i < m_def.columns.size(); ++i) {
        Column c = m_def.columns.at(i);
        if (c.computed() || (i == keyIndex() && autoNumber))
            c.required = false; // given by the editor
        QVariant v;
        const QString p = checkValue(c, m_fields.at(i)->text(), QString(), &v);
        if (!p.isEmpty())
            problems << p;
        header->append(v);
    }
    QMap<QString, QString> totals;
    for (int r = 0; m_lines && r < m_lines->rowCount(); ++r) {
        if (rowIsBlank(m_lines, r))
            continue;
        const QString where = QStringLiteral("第 %1 行").arg(r + 1);
        QVariantList line;
        for (int i = 0; i < m_def.lineColumns.size(); ++i) {
            QVariant v;
            const Column &c = m_def.lineColumns.at(i);
            const QString p = c.computed() ? QString() : checkValue(c, cellText(m_lines, r, i), where, &v);
            if (!p.isEmpty())
                problems << p;
            line << v;
        }
        // Computed from the row's own values, rounded to the column's decimals; empty when a factor is.
        for (int i = 0; i < m_def.lineColumns.size(); ++i) {
            const Column &c = m_def.lineColumns.at(i);
            if (c.calcA.isEmpty())
                continue;
            const QString a = line.value(indexOf(m_def.lineColumns, c.calcA)).toString();
            const QString b = line.value(indexOf(m_def.lineColumns, c.calcB)).toString();
            const QString product = a.isEmpty() || b.isEmpty() ? QString() : lwcommon::multiply(a, b, c.decimals);
            if (lwcommon::integerDigits(product) > lwcommon::kIntegerDigits)
                problems << QStringLiteral("%1“%2”超出范围（最多 %3 位整数）：%4").arg(where, c.caption).arg(lwcommon::kIntegerDigits).arg(product);
            line[i] = product.isEmpty() ? QVariant() : QVariant(product);
        }
        for (int i = 0; i < m_def.lineColumns.size(); ++i) {
            const QString v = line.at(i).toString();
            if (!v.isEmpty() && m_def.lineColumns.at(i).type == QLatin1Char('n'))
                totals[m_def.lineColumns.at(i).name.toLower()] = lwcommon::add(totals.value(m_def.lineColumns.at(i).name.toLower(), QStringLiteral("0")), v);
        }
        lines->append(line);
    }
    // A document of lines without one (none typed, or only blank ones) is no document.
    if (m_lines && lines->isEmpty())
        problems << QStringLiteral("“%1”至少要有一行明细。").arg(m_def.caption);
    for (int i = 0; i < m_def.columns.size(); ++i) {
        const Column &c = m_def.columns.at(i);
        if (c.sumOf.isEmpty())
            continue;
        const QString total = lwcommon::multiply(totals.value(c.sumOf.toLower(), QStringLiteral("0")), QStringLiteral("1"), c.decimals);
        if (lwcommon::integerDigits(total) > lwcommon::kIntegerDigits)
            problems << QStringLiteral("“%1”超出范围（最多 %2 位整数）：%3").arg(c.caption).arg(lwcommon::kIntegerDigits).arg(total);
        (*header)[i] = total;
    }
    if (!m_def.statusColumn.isEmpty() && !m_currentKey.isValid()) {
        const int s = indexOf(m_def.columns, m_def.statusColumn);
        if (s >= 0 && header->at(s).toString().isEmpty())
            (*header)[s] = m_def.statuses.first();
    }
    return problems.join(QLatin1Char('\n'));
}

void OEdit::showComputed(const QVariantList &header, const QList<QVariantList> &lines)
{
    m_loading = true;
    for (int i = 0; i < m_def.columns.size(); ++i) {
        const Column &c = m_def.columns.at(i);
        if (c.type == QLatin1Char('n'))
            m_fields.at(i)->setText(lwcommon::formatNumber(header.at(i), c.decimals));
        else if (i == keyIndex() || c.name.compare(m_def.statusColumn, Qt::CaseInsensitive) == 0)
            m_fields.at(i)->setText(header.at(i).toString());
    }
    if (m_lines) {
        m_lines->setRowCount(int(lines.size()));
        for (int r = 0; r < lines.size(); ++r)
            for (int i = 0; i < m_def.lineColumns.size(); ++i) {
                const Column &c = m_def.lineColumns.at(i);
                auto *item = new QTableWidgetItem(c.type == QLatin1Char('n') ? lwcommon::formatNumber(lines.at(r).at(i), c.decimals)
                                                                            : lines.at(r).at(i).toString());
                if (c.type == QLatin1Char('n'))
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                m_lines->setItem(r, i, item);
            }
    }
    m_loading = false;
}

void OEdit::fail(const QString &text)
{
    m_lastError = text;
    // The status line says it first, so that it does not go on naming the last thing that
    // worked ("已保存") once the box is answered; the box is titled with the function's caption.
    Q_EMIT objectEvent(QStringLiteral("message"), {text.section(u'\n', 0, 0)});
    Q_EMIT objectEvent(QStringLiteral("errmessage"), {text, 8, m_def.caption});
}

QString OEdit::nextNumber(bool *usedUp)
{
    *usedUp = false;
    // The document's date gives the period; the operating date when it has none.
    QDate date;
    for (int i = 0; i < m_def.columns.size() && !date.isValid(); ++i)
        if (m_def.columns.at(i).type == QLatin1Char('d') && m_def.columns.at(i).required)
            date = QDate::fromString(m_fields.at(i)->text().trimmed(), Qt::ISODate);
    if (!date.isValid())
        date = lwcommon::operatingDate(m_sys);
    const QString stem = m_def.numberPrefix + (m_def.numberDateFormat.isEmpty() ? QString() : date.toString(m_def.numberDateFormat));
    m_db->ClearError();
    // The highest sequence of the period: a number of the same length the operator typed with other
    // characters where the digits go (PO20261205A) is no sequence and is passed over.
    qint64 seq = 0;
    const auto isSequence = [](const QString &tail) {
        return !tail.isEmpty() && std::all_of(tail.cbegin(), tail.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    const bool read = m_db->forEachRow(
        QStringLiteral("select %1 from %2 where %1 like ? and length(%1) = ? order by %1 desc").arg(m_def.key, m_def.table),
        {stem + u'%', int(stem.size() + m_def.numberDigits)}, [&](const QStringList &, const QVariantList &row) {
            const QString number = row.value(0).toString();
            if (!number.startsWith(stem) || !isSequence(number.mid(stem.size())))
                return true;
            seq = number.mid(stem.size()).toLongLong();
            return false;
        });
    if (!read || !m_db->LastError().isEmpty())
        return QString();
    // The last number of the period is taken: a longer one would sort before it (PO2026121000 < PO202612999).
    qint64 largest = 1;
    for (int i = 0; i < m_def.numberDigits; ++i)
        largest *= 10;
    if (seq + 1 >= largest) {
        *usedUp = true;
        return stem;
    }
    return stem + QStringLiteral("%1").arg(seq + 1, m_def.numberDigits, 10, QLatin1Char('0'));
}

QString OEdit::referenceProblem(const Column &c, const QString &code, const QString &where)
{
    if (c.reference.isEmpty() || code.isEmpty())
        return QString();
    m_db->ClearError();
    RecordSetPtr rs = m_db->query(QStringLiteral("select count(*) from %1 where code = ?").arg(c.reference), {code});
    if (!rs || !m_db->LastError().isEmpty())
        return QStringLiteral("?");
    return rs->firstValue().toInt() > 0 ? QString() : QStringLiteral("%1%2 %3 不存在。").arg(where, c.caption, code);
}

QString OEdit::docText(const QString &number, bool numberedByEditor) const
{
    if (numberedByEditor)
        return m_def.caption + QStringLiteral("（新单据）"); // the number it was about to get is nobody's
    return number.isEmpty() ? QStringLiteral("“%1”").arg(m_def.caption) : QStringLiteral("单据 %1").arg(number);
}

OEdit::Outcome OEdit::failed(QString *message, const QString &doc, const QString &action)
{
    const QString why = m_db->LastError().description;
    m_db->rollback();
    // The driver's words go to the log; the operator reads the system's.
    Logger::WriteMessage(QStringLiteral("%1 %2 %3: %4").arg(m_def.caption, doc, action, why), 1, m_def.caption);
    switch (classify(why)) {
    case Kind::Duplicate:
        *message = QStringLiteral("%1已存在，未保存任何内容。请换一个单号。").arg(spaced(doc));
        return Outcome::Duplicate;
    case Kind::ReadOnly:
        *message = readOnlyText(doc, action);
        return Outcome::ReadOnly;
    case Kind::Busy:
        *message = QStringLiteral("数据库正忙（其他操作员正在保存）：%1未%2，请稍后再试。").arg(spaced(doc), action);
        return Outcome::Busy;
    case Kind::Connection:
        *message = QStringLiteral("与数据库的连接已断开：%1未%2，请稍后再试。").arg(spaced(doc), action);
        return Outcome::Connection;
    case Kind::Other:
        break;
    }
    *message = action == QStringLiteral("保存") ? QStringLiteral("%1保存失败，未保存任何内容。原因已记入日志。").arg(spaced(doc))
                                              : QStringLiteral("%1%2失败，数据库未作任何修改。原因已记入日志。").arg(spaced(doc), action);
    return Outcome::Other;
}

bool OEdit::writable(const QString &doc, const QString &action, QString *message)
{
    // A connection opened before the file was made read-only could still write through it (or fail
    // half-way at the commit): the file's permissions now are what counts. A lost connection is the
    // transaction's to tell.
    QString why;
    if (!m_db->isConnected() || m_db->canWrite(&why))
        return true;
    Logger::WriteMessage(QStringLiteral("%1 %2 %3: %4").arg(m_def.caption, doc, action, why), 1, m_def.caption);
    *message = readOnlyText(doc, action);
    return false;
}

OEdit::Outcome OEdit::write(const QVariantList &header, const QList<QVariantList> &lines, bool autoNumber, QString *number,
                            QString *message)
{
    // The database keeps its last error until a caller clears it: a save refused before (a
    // number another operator took first) must not make this one, or the lookups in it, fail.
    m_db->ClearError();
    const QString doc = docText(*number, autoNumber);
    if (!writable(doc, QStringLiteral("保存"), message))
        return Outcome::ReadOnly;
    if (!m_db->transaction())
        return failed(message, doc);
    QVariantList values = header;
    const int key = keyIndex();
    if (autoNumber) {
        // Numbered inside the transaction: a number another operator took meanwhile makes the caller try again.
        bool usedUp = false;
        *number = nextNumber(&usedUp);
        if (usedUp) {
            m_db->rollback();
            const QString stem = *number;
            number->clear();
            *message = QStringLiteral("“%1”的单号 %2 至 %3 已全部用完，未保存任何内容。%4")
                           .arg(m_def.caption, stem + QStringLiteral("%1").arg(1, m_def.numberDigits, 10, QLatin1Char('0')),
                                stem + QString(m_def.numberDigits, u'9'),
                                m_def.numberTyped ? QStringLiteral("请手工输入单号。") : QStringLiteral("请告知系统管理员。"));
            return Outcome::Refused;
        }
        if (number->isEmpty())
            return failed(message, doc);
        if (key >= 0)
            values[key] = *number;
    }
    // Codes of master data are checked where they are stored.
    for (int i = 0; i < m_def.columns.size(); ++i)
        if (QString p = referenceProblem(m_def.columns.at(i), values.at(i).toString(), QString()); !p.isEmpty()) {
            if (p == QLatin1String("?"))
                return failed(message, doc);
            m_db->rollback();
            *message = p;
            return Outcome::Refused;
        }
    for (int r = 0; r < lines.size(); ++r)
        for (int i = 0; i < m_def.lineColumns.size(); ++i)
            if (QString p = referenceProblem(m_def.lineColumns.at(i), lines.at(r).at(i).toString(),
                                             QStringLiteral("第 %1 行").arg(r + 1));
                !p.isEmpty()) {
                if (p == QLatin1String("?"))
                    return failed(message, doc);
                m_db->rollback();
                *message = p;
                return Outcome::Refused;
            }
    const QString who = m_sys && m_sys->environment() ? m_sys->environment()->operatorName() : QString();
    const QString when = now();
    if (m_currentKey.isValid()) {
        QStringList sets;
        for (const Column &c : std::as_const(m_def.columns))
            sets << c.name + QStringLiteral(" = ?");
        QVariantList p = values;
        if (m_def.versioned) {
            sets << QStringLiteral("version = ?") << QStringLiteral("modifier = ?") << QStringLiteral("modtime = ?");
            p << m_version + 1 << who << when;
        }
        p << m_currentKey;
        QString sql = QStringLiteral("update %1 set %2 where %3 = ?").arg(m_def.table, sets.join(QStringLiteral(", ")), m_def.key);
        if (m_def.versioned) {
            sql += QStringLiteral(" and coalesce(version, 0) = ?");
            p << m_version;
        }
        sql += scopeCondition(m_def, &p);
        int affected = 0;
        if (!m_db->exec(sql, p, &affected))
            return failed(message, doc);
        if (affected != 1) {
            // Changed or deleted by somebody else since it was opened: nothing of this save is written.
            *message = conflict(m_currentKey.toString(), QStringLiteral("改"));
            m_db->rollback();
            return Outcome::Refused;
        }
    } else {
        // A new record of a scoped program gets the scope's values (its bill type, direction, ...).
        QString names = columnList(m_def.columns);
        QVariantList p = values;
        for (const auto &[col, value] : m_def.scope)
            if (!m_def.column(col)) {
                names += QStringLiteral(", ") + col;
                p << value;
            }
        if (m_def.versioned) {
            names += QStringLiteral(", version, modifier, modtime");
            p << 1 << who << when;
        }
        if (!m_db->exec(QStringLiteral("insert into %1 (%2) values (%3)").arg(m_def.table, names, placeholders(int(p.size()))), p))
            return failed(message, doc);
    }
    const QVariant newKey = key >= 0 ? values.at(key) : m_currentKey;
    if (m_lines) {
        if (m_currentKey.isValid()
            && !m_db->exec(QStringLiteral("delete from %1 where %2 = ?").arg(m_def.lineTable, m_def.lineForeignKey), {m_currentKey}))
            return failed(message, doc);
        // Lines are numbered as they stand in the grid.
        const QString ins = QStringLiteral("insert into %1 (%2, lineno, %3) values (?, ?, %4)")
                                .arg(m_def.lineTable, m_def.lineForeignKey, columnList(m_def.lineColumns),
                                     placeholders(int(m_def.lineColumns.size())));
        int lineNo = 0;
        for (const QVariantList &line : lines) {
            QVariantList p{newKey, ++lineNo};
            p << line;
            if (!m_db->exec(ins, p))
                return failed(message, doc);
        }
    }
    if (!m_db->commit())
        return failed(message, doc);
    return Outcome::Saved;
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
    if (isApproved()) {
        fail(QStringLiteral("单据 %1 的状态是“%2”，不能修改。").arg(m_currentKey.toString(), field(m_def.statusColumn)));
        return false;
    }
    QVariantList header;
    QList<QVariantList> lines;
    const QString problems = collect(&header, &lines);
    if (!problems.isEmpty()) {
        fail(problems);
        return false;
    }
    const int key = keyIndex();
    QString number = key >= 0 ? header.at(key).toString() : m_currentKey.toString();
    const bool autoNumber = m_def.numbered() && !m_currentKey.isValid() && number.isEmpty();
    if (!autoNumber && number.isEmpty()) {
        fail(QStringLiteral("“%1”的编号不能为空。").arg(m_def.caption));
        return false;
    }
    QString message;
    Outcome outcome = Outcome::Other;
    // Two operators saving at the same moment: the one that lost the number or the lock tries again.
    for (int attempt = 0; attempt < 20; ++attempt) {
        outcome = write(header, lines, autoNumber, &number, &message);
        const bool again = outcome == Outcome::Busy || (outcome == Outcome::Duplicate && autoNumber);
        if (!again)
            break;
        QThread::msleep(5 + 10 * attempt + (QDateTime::currentMSecsSinceEpoch() % 7));
        if (autoNumber)
            number.clear();
    }
    if (outcome == Outcome::Duplicate && autoNumber)
        message = QStringLiteral("其他操作员正在同时保存“%1”，没能分到单号：未保存任何内容，请稍后再试。").arg(m_def.caption);
    if (outcome != Outcome::Saved) {
        fail(message);
        return false;
    }
    if (key >= 0)
        header[key] = number;
    const bool wasNew = !m_currentKey.isValid();
    m_currentKey = number;
    m_version = m_def.versioned ? (wasNew ? 1 : m_version + 1) : 0;
    showComputed(header, lines);
    if (wasNew) {
        // No longer new: the title says so, the number is kept, the document can be approved or deleted.
        m_title->setText(m_def.caption);
        setEditable(true);
    }
    m_dirty = false;
    Logger::WriteOperation(QStringLiteral("%1 %2：%3").arg(m_def.caption, number, wasNew ? QStringLiteral("新增") : QStringLiteral("修改")),
                           m_programNumber, m_def.caption);
    reloadList();
    Q_EMIT objectEvent(QStringLiteral("message"), {QStringLiteral("“%1”已保存：%2").arg(m_def.caption, number)});
    return true;
}

} // namespace lwedit
