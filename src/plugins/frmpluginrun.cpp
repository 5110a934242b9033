#include "plugins/frmpluginrun.h"

#include "components/sysservices.h"
#include "core/clsconfig.h"
#include "core/logger.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "platform/appinfo.h"
#include "plugins/pluginscan.h"

#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// ImageList1: the picture of a plug-in row (icon number 1).
QIcon pluginIcon()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x3a, 0x7b, 0xd5));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(4, 8, 20, 20), 3, 3);
    p.drawRect(QRectF(24, 13, 5, 4));
    p.drawRect(QRectF(24, 20, 5, 4));
    return QIcon(pm);
}

constexpr int kTagRole = Qt::UserRole + 1;       // the row's tag: the plug-in's Description
constexpr int kLargeIconRole = Qt::UserRole + 2; // the row's large icon number
constexpr int kCaptionRole = Qt::UserRole + 3;   // the plug-in's Caption (the row's text, without a file name)

// The text a row's actions name: the plug-in's caption.
QString rowText(const QTreeWidgetItem *item)
{
    return item->data(frmPluginRun::Description, kCaptionRole).toString();
}

} // namespace

frmPluginRun::frmPluginRun(Session &session, QWidget *parent)
    : QWidget(parent, Qt::Window), m_session(session)
{
    setObjectName(QStringLiteral("frmPluginRun"));
    setWindowTitle(QStringLiteral("外接程序管理器"));
    setWindowIcon(pluginIcon());
    resize(560, 400);

    m_lv = new QTreeWidget(this);
    m_lv->setObjectName(QStringLiteral("LV"));
    m_lblDescription = new QLabel(QStringLiteral("描述:"), this);
    m_lblDescription->setObjectName(QStringLiteral("lblDescription"));
    m_lblAuthor = new QLabel(QStringLiteral("*"), this);
    m_lblAuthor->setObjectName(QStringLiteral("lblAuthor"));
    m_lblAuthor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_lblRefused = new QLabel(QStringLiteral("以下文件没有提供可用的插件："), this);
    m_lblRefused->setObjectName(QStringLiteral("lblRefused"));
    m_lvRefused = new QTreeWidget(this);
    m_lvRefused->setObjectName(QStringLiteral("lvRefused"));
    m_lvRefused->setRootIsDecorated(false);
    m_lvRefused->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lvRefused->setSelectionMode(QAbstractItemView::NoSelection);
    m_lvRefused->setFocusPolicy(Qt::NoFocus);
    m_lvRefused->setWordWrap(true);
    m_lvRefused->setHeaderLabels({QStringLiteral("文件名"), QStringLiteral("原因")});
    m_lvRefused->setFixedHeight(96);
    m_lblRefused->hide();
    m_lvRefused->hide();
    m_txtDescription = new QPlainTextEdit(this);
    m_txtDescription->setObjectName(QStringLiteral("txtDescription"));
    m_txtDescription->setReadOnly(true);
    m_txtDescription->setFixedHeight(72);
    const char *texts[3] = {"配置(&C)", "运行(&R)", "关闭(&X)"};
    for (int i = 0; i < 3; ++i) {
        m_cmd[i] = new QPushButton(QString::fromUtf8(texts[i]), this);
        m_cmd[i]->setObjectName(QStringLiteral("Cmd_%1").arg(i));
        m_cmd[i]->setMinimumWidth(88);
    }

    auto *details = new QHBoxLayout;
    details->addWidget(m_lblDescription);
    details->addStretch(1);
    details->addWidget(m_lblAuthor);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *b : m_cmd)
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_lv, 1);
    layout->addWidget(m_lblRefused);
    layout->addWidget(m_lvRefused);
    layout->addLayout(details);
    layout->addWidget(m_txtDescription);
    layout->addLayout(buttons);

    connect(m_cmd[0], &QPushButton::clicked, this, &frmPluginRun::configureSelected);
    connect(m_cmd[1], &QPushButton::clicked, this, &frmPluginRun::runSelected);
    connect(m_cmd[2], &QPushButton::clicked, this, &QWidget::close);
    connect(m_lv, &QTreeWidget::itemDoubleClicked, this, &frmPluginRun::runSelected);
    connect(m_lv, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) { showDetails(item); });

    // Form_Load. The list: report view, labels the operator cannot edit, the
    // selection kept visible without focus, wrapped labels; then headers shown,
    // whole rows selected, no grid lines, no check boxes.
    layout->activate();
    m_lv->setRootIsDecorated(false);
    m_lv->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lv->setWordWrap(true);
    m_lv->setHeaderHidden(false);
    m_lv->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lv->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lv->setAllColumnsShowFocus(true);
    m_lv->setIconSize(QSize(16, 16));
    m_lv->clear();
    m_lv->setColumnCount(ColumnCount);
    m_lv->setHeaderLabels({QStringLiteral("可用的插件"), QStringLiteral("开发商名称"), QStringLiteral("文件名"),
                           QStringLiteral("类名"), QStringLiteral("路径"), QStringLiteral("类名称"), QStringLiteral("是否注册")});
    // The viewport learns its size only when shown; the list's own width is already laid out.
    const int width = m_lv->width() - 2 * m_lv->frameWidth();
    m_lv->header()->setStretchLastSection(false);
    m_lv->setColumnWidth(Description, int(width * 0.6));
    m_lv->setColumnWidth(StyleName, int(width * 0.3));
    for (int c = FileName; c < ColumnCount; ++c)
        m_lv->setColumnHidden(c, true);

    LoadPlugin();
    if (m_lv->topLevelItemCount() > 0)
        m_lv->setCurrentItem(m_lv->topLevelItem(0));
    if (QTreeWidgetItem *selected = m_lv->currentItem())
        showDetails(selected);
    if (SystemServices *sys = m_session.sys.get())
        sys->themeService()->ApplyTheme(this);
}

frmPluginRun::~frmPluginRun() = default;

void frmPluginRun::Py_Init(int32_t operationId, const QString &caption)
{
    m_operationId = operationId;
    m_caption = caption;
}

void frmPluginRun::LoadPlugin()
{
    const clsConfig *config = m_session.config.get();
    const plugins::ScanResult scan =
        plugins::LoadPlugin(appinfo::programFolder(), config ? config->Subject() : QString(), m_session.sys.get());
    for (const plugins::PluginRow &row : scan.rows)
        addRow(row);
    for (const plugins::LibraryReport &library : scan.refused)
        addRefused(library);
    m_lblRefused->setVisible(!scan.refused.isEmpty());
    m_lvRefused->setVisible(!scan.refused.isEmpty());
    m_lvRefused->setColumnWidth(RefusedFile, m_lv->columnWidth(Description) / 2);
}

void frmPluginRun::addRow(const plugins::PluginRow &row)
{
    auto *item = new QTreeWidgetItem(m_lv);
    // The same plug-in in two files: each row says which file it is.
    const QString file = row.path.section(QLatin1Char('/'), -1);
    item->setText(Description, row.sameClassIn.isEmpty() ? row.caption : row.caption + QStringLiteral("（") + file + QStringLiteral("）"));
    if (!row.sameClassIn.isEmpty())
        item->setToolTip(Description, QStringLiteral("%1 也在 %2 中").arg(row.progId, row.sameClassIn.join(QStringLiteral("、"))));
    item->setData(Description, kCaptionRole, row.caption);
    item->setData(Description, kLargeIconRole, 1);
    item->setText(StyleName, row.vendor);
    item->setText(FileName, row.fileName);
    item->setText(ClassName, row.progId);
    item->setText(Path, row.path);
    item->setText(Name, row.className);
    item->setText(Reg, row.reg);
    item->setData(Description, kTagRole, row.description);
}

void frmPluginRun::addRefused(const plugins::LibraryReport &library)
{
    auto *item = new QTreeWidgetItem(m_lvRefused);
    item->setText(RefusedFile, library.file);
    item->setText(RefusedReason, library.reason);
    // The library's own words for the administrator, as in the log.
    item->setToolTip(RefusedFile, QDir::toNativeSeparators(library.path));
    item->setToolTip(RefusedReason, library.reason + QStringLiteral("（") + library.refused + QStringLiteral("）"));
    if (library.failed)
        Logger::WriteLogOnly(QStringLiteral("插件管理：文件 %1 没有提供可用的插件：%2（%3），已跳过，其余的插件照常列出")
                                 .arg(QDir::toNativeSeparators(library.path), library.reason, library.refused),
                             4);
}

void frmPluginRun::showDetails(QTreeWidgetItem *item)
{
    if (!item)
        return;
    m_txtDescription->setPlainText(item->data(Description, kTagRole).toString());
    m_lblAuthor->setText(item->text(StyleName));
}

// The row's plug-in object (registered ones by ProgID, the others from their
// file), initialised with the system services when it could be made.
plugins::PluginObject frmPluginRun::initialisedPlugin(const QTreeWidgetItem *item)
{
    plugins::PluginObject p = item->text(Reg).toDouble() != 0
        ? plugins::createByProgId(item->text(ClassName))
        : plugins::obtainPlugin(item->text(Path), item->text(ClassName), item->text(Name));
    if (p.ui) {
        SystemServices *sys = m_session.sys.get();
        p.ui->Init(sys);
    }
    return p;
}

void frmPluginRun::configureSelected()
{
    QTreeWidgetItem *item = m_lv->currentItem();
    if (!item || !item->isSelected())
        return;
    const QString text = rowText(item);
    try {
        plugins::PluginObject p = initialisedPlugin(item);
        if (p.ui) {
            p.ui->Configure();
            const ErrorInfo error = p.ui->LastError();
            if (!error.description.isEmpty()) {
                Logger::WriteMessage(error.description, 2);
                p.ui->Terminate();
                return;
            }
            p.ui->Terminate();
        }
        bMain::StatusPrompt(text + QStringLiteral("配置完成"));
    } catch (...) {
        Logger::WriteMessage(QStringLiteral("配置") + text + QStringLiteral("时发生错误，")
                                 + plugins::describeException(std::current_exception()),
                             4);
    }
}

void frmPluginRun::runSelected()
{
    QTreeWidgetItem *item = m_lv->currentItem();
    if (!item || !item->isSelected())
        return;
    const QString text = rowText(item);
    try {
        plugins::PluginObject p = initialisedPlugin(item);
        if (p.ui) {
            QString empty;
            p.ui->Run(empty);
            p.ui->Terminate();
        }
    } catch (...) {
        Logger::WriteMessage(QStringLiteral("运行") + text + QStringLiteral("时发生错误，")
                                 + plugins::describeException(std::current_exception()),
                             4);
    }
}

void frmPluginRun::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    QWidget::closeEvent(event);
}

void frmPluginRun::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    bMain::StatusPrompt(QString());
    Logger::WriteOperation(QStringLiteral("退出[") + m_caption + QStringLiteral("]"), m_operationId);
}
