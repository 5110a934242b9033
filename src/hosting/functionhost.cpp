#include "hosting/functionhost.h"

#include "components/database.h"
#include "components/kx/kximagebutton.h"
#include "components/sysservices.h"
#include "core/contracts.h"
#include "core/functionlists.h"
#include "core/iworkspacehost.h"
#include "core/logger.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "core/tabkey.h"
#include "hosting/componentloader.h"
#include "hosting/frmedit.h"
#include "hosting/hostrules.h"
#include "hosting/lockscreen.h"
#include "platform/runtimeerror.h"
#include "platform/uiservice.h"
#include "util/ui/bchm.h"
#include "util/ui/clsshowmodal.h"

#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

#include <limits>

namespace {

int twipsToPixels(double twips, const QWidget *w)
{
    return hosting::twipsToPixels(twips, w ? w->logicalDpiY() : 0);
}

} // namespace

FunctionHost::FunctionHost(Session &session, IWorkspaceHost &host, QObject *parent)
    : QObject(parent), m_session(session), m_host(host)
{
}

FunctionHost::~FunctionHost() = default;

QWidget *FunctionHost::component(int hostIndex) const
{
    const QString name = hosting::componentName(hostIndex);
    for (const QPointer<QWidget> &c : m_controls) {
        if (c && c->objectName() == name)
            return c;
    }
    return nullptr;
}

void FunctionHost::ExecuteMenu(const QString &code, bool &inEditWindow, bool &executed)
{
    RecordSetPtr rs;
    try {
        // 1. The operator must be ready.
        Operator *op = m_session.op.get();
        if (!op)
            throw RuntimeError(QStringLiteral("对象变量或 With 块变量未设置"), RuntimeError::ObjectNotSet);
        if (!op->IsReady()) {
            ui::msgBox(op->LastError().description, 2, QString());
            return;
        }
        // 2.-4. The entry. The code is bound, so a quote in it cannot change the statement.
        Database *db = m_session.db.get();
        if (!db)
            throw RuntimeError(QStringLiteral("对象变量或 With 块变量未设置"), RuntimeError::ObjectNotSet);
        rs = db->query(QStringLiteral("select menucatalog,progID,menuname,systemcode,menuIsMx from xt_menu  where menucode=?"),
                       {code});
        if (!rs)
            throw RuntimeError(db->LastError().description);
        if (rs->isBOF() && rs->isEOF()) {
            rs->close();
            ui::msgBox(QStringLiteral("当前菜单功能不存在！"), ui::Information, QStringLiteral("提示："));
            return;
        }
        rs->detach();
        const QString menuName = rs->text(QStringLiteral("menuname"));
        const QString systemCode = rs->text(QStringLiteral("systemcode"));

        // 5. Where the operator is.
        m_host.setLocation(QStringLiteral("当前位置：") + m_host.activeCatalogCaption() + QStringLiteral(" -> ") + menuName);

        if (hosting::numericField(rs->field(QStringLiteral("menuIsMx"))) != 1.0) {
            // 6. A catalog: its home page with the process map and the report buttons.
            m_host.showHome();
            m_host.loadPilotMap(code);
            bool done = false;
            LoadReportMenu(code, done);
            m_host.refreshHomeTab();
        } else {
            // 7. A function.
            const auto number = hosting::int32Field(rs->field(QStringLiteral("progID")));
            if (!number)
                throw RuntimeError(QStringLiteral("溢出"), RuntimeError::Overflow);
            if (!m_session.sys || !m_session.sys->rights(*number).right(1)) {
                rs->close();
                ui::msgBox(QStringLiteral("当前菜单没有操作权限！"), ui::Information, QStringLiteral("提示："));
                return;
            }
            const double catalog = hosting::numericField(rs->field(QStringLiteral("menucatalog")));
            if (catalog == 230) {
                if (runAddIn)
                    runAddIn(*number, systemCode, menuName);
                else
                    Logger::WriteMessage(QStringLiteral("外接程序不可用<") + QString::number(*number) + QLatin1Char('>'), 1);
            } else if (catalog == 50) {
                if (*number == 100027) {
                    if (openPluginList) {
                        openPluginList(*number, menuName, m_host.window());
                    } else {
                        QDialog list(m_host.window());
                        list.setWindowTitle(QStringLiteral("外接程序管理器"));
                        list.resize(520, 360);
                        clsShowModal modal;
                        modal.ShowModal(&list, m_host.window());
                    }
                }
            } else {
                runFunction(code, *number, catalog, menuName, systemCode, inEditWindow);
            }
            // The operator's recent functions: only what ran, never a refused or failed entry.
            functionlists::recordRun(m_session, code);
        }
        // 8.
        if (QWidget *w = m_host.window())
            w->update();
        executed = true;
        rs.reset();
    } catch (const std::exception &e) {
        rs.reset();
        ui::msgBox(QStringLiteral("执行功能时出错，原因：") + RuntimeError::describe(e), ui::Exclamation, QStringLiteral("错误:"));
    }
}

void FunctionHost::runFunction(const QString &code, int32_t programNumber, double catalogValue, const QString &menuName,
                               const QString &, bool &inEditWindow)
{
    const auto catalog = vbconvCatalog(catalogValue);
    Database *db = m_session.sys ? m_session.sys->database() : m_session.db.get();
    // 7.3 The accounting period of the function's module.
    if (m_host.periodLabelVisible() && db && m_session.sys) {
        RecordSetPtr rs = db->query(QStringLiteral("select systemcode from xt_objects where progID=?"), {programNumber});
        const QString systemCode = rs ? rs->firstValue().toString().trimmed() : QString();
        const Period period = m_session.sys->accountPeriod(systemCode, 0);
        // In the form the header shows at login ("2026年12期"); a module without periods leaves it.
        const QString text = hosting::periodText(period.current, period.end.isValid() ? period.end.year() : period.start.year());
        if (period.exists && !text.isEmpty())
            m_host.setPeriodLabel(QStringLiteral("当前会计期间：") + text);
    }
    // 7.4 The stored command line decides the host.
    if (db) {
        RecordSetPtr rs = db->query(QStringLiteral("select progCommandLine from xt_objects where progID=?"), {programNumber});
        if (hosting::wantsEditWindow(rs ? rs->firstValue().toString() : QString()))
            inEditWindow = true;
    }
    if (!inEditWindow) {
        // 7.5 A new tab.
        m_host.showWait(QStringLiteral("正在加载组件，请等候..."));
        ui::doEvents();
        if (m_tabCounter == std::numeric_limits<int32_t>::max())
            throw RuntimeError(QStringLiteral("溢出"), RuntimeError::Overflow);
        ++m_tabCounter;
        m_host.addTab(menuName, hosting::tabKey(code, m_tabCounter));
        const int index = m_host.addHostArea();
        if (index > std::numeric_limits<int16_t>::max())
            throw RuntimeError(QStringLiteral("溢出"), RuntimeError::Overflow);
        bool loaded = false;
        LoadHostedComponent(programNumber, catalog, menuName, loaded);
        // A component that asked to go while it started left no tab: its empty area stays hidden.
        if (!m_unload)
            m_host.showHostArea(index);
        m_host.hideWait();
    } else {
        // 7.6 An edit window of its own.
        m_host.showWait(QStringLiteral("正在加载表单，请等候..."));
        ui::doEvents();
        auto *edit = new frmEdit(m_session, m_host.window(), &m_host);
        QPointer<frmEdit> guard(edit);
        if (edit->Py_Init(programNumber, menuName, catalog, QVariant(0), QVariant(), 0) && guard) {
            edit->showMaximized();
            edit->raise();
        }
        m_host.hideWait();
    }
}

int32_t FunctionHost::vbconvCatalog(double value)
{
    const auto v = hosting::int32Field(QVariant(value));
    if (!v)
        throw RuntimeError(QStringLiteral("溢出"), RuntimeError::Overflow);
    return *v;
}

void FunctionHost::LoadHostedComponent(int32_t programNumber, int32_t catalog, const QString &menuName, bool &loaded)
{
    m_unload = false;
    const QString progId = hosting::mainProgId(catalog);
    if (progId.isEmpty())
        return;
    try {
        const int index = m_host.currentHostIndex();
        IBusinessComponent *contract = nullptr;
        QWidget *control = nullptr;
        try {
            control = hosting::createComponent(progId, m_host.hostArea(index), hosting::componentName(index), this,
                                               SLOT(moControl_ObjectEvent(QString, QVariantList)), &contract);
        } catch (const std::exception &e) {
            // Nothing to host: the tab opened for it goes again.
            Logger::WriteMessage(QStringLiteral("加载动态控件时出错:") + RuntimeError::describe(e), 8);
            closeActiveTab();
            return;
        }
        m_controls.append(control);
        m_host.setCurrentHost(index, control);
        QVariantList args;
        if (catalog == 100 || catalog == 105)
            args << QVariant(0);
        else if (catalog == 101)
            args << menuName;
        QPointer<QWidget> guard(control);
        const bool ok = hosting::initComponent(m_session, contract, programNumber, args);
        if (!ok) {
            Logger::WriteMessage(QStringLiteral("初始化控件Init()时出错<") + QString::number(programNumber) + QLatin1Char('>'), 1);
            return;
        }
        if (m_unload || !guard)
            return;
        QWidget *area = m_host.hostArea(index);
        control->setGeometry(0, 0, area ? area->width() : 0, area ? area->height() : 0);
        control->show();
        if (control->isVisible())
            control->setFocus(Qt::OtherFocusReason);
        loaded = true;
    } catch (const std::exception &e) {
        Logger::WriteMessage(QStringLiteral("加载动态控件时出错:") + RuntimeError::describe(e), 8);
    }
}

void FunctionHost::moControl_ObjectEvent(const QString &eventName, const QVariantList &params)
{
    const QString name = eventName.toLower();
    try {
        if (name == QLatin1String("message")) {
            bMain::StatusPrompt(params.value(0).toString());
        } else if (name == QLatin1String("errmessage")) {
            Logger::WriteMessage(params.value(0).toString(), int(hosting::numericField(params.value(1))), params.value(2).toString());
        } else if (name == QLatin1String("unload")) {
            if (params.value(0).toBool()) {
                closeActiveTab();
                m_unload = true;
            } else {
                m_unload = false;
            }
        } else {
            hosting::handleOpenRequest(m_session, name, params, true, &m_host, m_host.window());
        }
    } catch (const std::exception &e) {
        m_host.hideWait();
        Logger::WriteMessage(QStringLiteral("处理组件消息") + name + QStringLiteral("时出错，原因：") + RuntimeError::describe(e), 8);
    }
}

void FunctionHost::removeTabComponent(int tabIndex)
{
    const auto n = hosting::hostIndexFromKey(m_host.tabKey(tabIndex));
    if (n) {
        if (QWidget *c = component(*n)) {
            m_controls.removeAll(QPointer<QWidget>(c));
            hosting::removeComponent(c);
        }
    }
    m_host.removeTab(tabIndex);
}

void FunctionHost::closeActiveTab()
{
    m_host.showWait(QStringLiteral("正在删除组件，请等候..."));
    ui::doEvents();
    int active = 0;
    for (int i = 1; i <= m_host.tabCount(); ++i) {
        if (m_host.activeTab() == i) {
            active = i;
            break;
        }
    }
    if (active < 2) {
        // No function tab is active (the home tab never closes).
        m_host.hideWait();
        return;
    }
    removeTabComponent(active);
    m_host.hideWait();
    m_unload = true;
}

void FunctionHost::closeFunctionTab(int tabIndex)
{
    if (tabIndex < 2 || tabIndex > m_host.tabCount())
        return;
    const auto n = hosting::hostIndexFromKey(m_host.tabKey(tabIndex));
    QWidget *c = n ? component(*n) : nullptr;
    if (auto *contract = qobject_cast<IBusinessComponent *>(c); contract && contract->hasUnsavedChanges()) {
        const int answer = ui::msgBox(QStringLiteral("当前单据尚未保存，确定要关闭吗？"), ui::YesNo | ui::Exclamation,
                                      QStringLiteral("提示："));
        if (answer != ui::Yes)
            return;
    }
    m_host.showWait(QStringLiteral("正在删除组件，请等候..."));
    ui::doEvents();
    removeTabComponent(tabIndex);
    m_host.hideWait();
}

namespace {

// The unsaved work of one component, in the operator's words; "" when it has
// none. A component that cannot tell counts as holding some.
QString unsavedWorkOf(QWidget *control, const QString &caption)
{
    auto *contract = qobject_cast<IBusinessComponent *>(control);
    if (!contract)
        return QString();
    try {
        if (!contract->hasUnsavedChanges())
            return QString();
        const QString what = contract->unsavedWork().trimmed();
        return what.isEmpty() ? caption : what;
    } catch (...) {
        Logger::WriteMessage(QStringLiteral("组件“") + caption + QStringLiteral("”无法回答是否有未保存的内容，按未保存处理"), 4);
        return caption + QStringLiteral("（无法确认是否已保存）");
    }
}

} // namespace

bool FunctionHost::confirmQuit()
{
    // A second close while the question is up (Alt+F4 again) waits for its answer.
    if (m_askingQuit)
        return false;
    QStringList unsaved;
    for (int i = 2; i <= m_host.tabCount(); ++i) {
        const auto n = hosting::hostIndexFromKey(m_host.tabKey(i));
        const QString what = n ? unsavedWorkOf(component(*n), m_host.tabCaption(i)) : QString();
        if (!what.isEmpty())
            unsaved << what;
    }
    if (QWidget *w = m_host.window()) {
        for (frmEdit *edit : w->findChildren<frmEdit *>(Qt::FindDirectChildrenOnly)) {
            const QString what = edit->isVisible() ? unsavedWorkOf(edit->moControl, edit->windowTitle()) : QString();
            if (!what.isEmpty())
                unsaved << what;
        }
    }
    if (unsaved.isEmpty())
        return true;
    m_askingQuit = true;
    const int answer = ui::msgBox(QStringLiteral("以下单据尚未保存：") + unsaved.join(QStringLiteral("；"))
                                      + QStringLiteral("。确定要退出吗？"),
                                  ui::YesNo | ui::Exclamation | ui::DefaultButton2, QStringLiteral("提示："));
    m_askingQuit = false;
    if (answer == ui::Yes) {
        Logger::WriteMessage(QStringLiteral("退出系统，放弃未保存的单据：") + unsaved.join(QStringLiteral("；")), 1);
        return true;
    }
    return false;
}

void FunctionHost::ClearControl(QObject *)
{
    try {
        const QList<QPointer<QWidget>> controls = m_controls;
        m_controls.clear();
        for (const QPointer<QWidget> &c : controls) {
            if (c && c->objectName().endsWith(QLatin1String("edit")))
                hosting::removeComponent(c);
        }
        m_host.setCurrentHost(m_host.currentHostIndex(), nullptr);
    } catch (const std::exception &e) {
        ui::msgBox(QStringLiteral("ClearControl:") + RuntimeError::describe(e), ui::Critical, QStringLiteral("错误:"));
    }
}

bool FunctionHost::openAlertWindow()
{
    auto *edit = new frmEdit(m_session, m_host.window(), &m_host);
    QPointer<frmEdit> guard(edit);
    if (edit->Py_Init(0, QStringLiteral("预警"), 220, QVariant(), QVariant(), 0) && guard) {
        edit->showMaximized();
        edit->raise();
        return true;
    }
    return false;
}

void FunctionHost::headerButtonClick(int index)
{
    switch (index) {
    case 0:
    case 4:
        if (QWidget *w = m_host.window())
            w->close();
        break;
    case 1:
        lockScreen()->lock();
        break;
    case 2:
        bCHM::ShowHelpContents(m_session.helpFile);
        break;
    case 3:
        if (m_lock)
            m_lock->unlock();
        break;
    case 5:
        openAlertWindow();
        break;
    default:
        break;
    }
}

bool FunctionHost::isLocked() const
{
    return m_lock && m_lock->isLocked();
}

void FunctionHost::setLockPanelPicture(const QString &file)
{
    m_lockPicture = file;
    if (m_lock)
        m_lock->setPanelPicture(file);
}

LockScreen *FunctionHost::lockScreen()
{
    if (!m_lock) {
        m_lock = new LockScreen(m_session, m_host.window());
        m_lock->setPanelPicture(m_lockPicture);
        connect(m_lock, &LockScreen::leaveRequested, this, [this] { headerButtonClick(4); });
    }
    return m_lock;
}

void FunctionHost::LoadReportMenu(const QString &menuCode, bool &done)
{
    try {
        for (const QPointer<kxImageButton> &b : m_reports) {
            if (b)
                b->deleteLater();
        }
        m_reports.clear();
        QWidget *area = m_host.reportArea();
        auto *tmpl = area ? area->findChild<kxImageButton *>(QStringLiteral("ImgRpt0")) : nullptr;
        if (!tmpl)
            throw RuntimeError(QStringLiteral("对象变量或 With 块变量未设置"), RuntimeError::ObjectNotSet);
        Database *db = m_session.db.get();
        if (!db)
            throw RuntimeError(QStringLiteral("对象变量或 With 块变量未设置"), RuntimeError::ObjectNotSet);
        // The code is bound as the LIKE pattern: "%" and "_" in it still widen the match, a quote cannot break out.
        RecordSetPtr rs = db->query(QStringLiteral("SELECT menucode ,menuname FROM xt_menu A")
                                        + QStringLiteral(" WHERE inActive <> 1 and menuismx=1 and menuIsMajor=1 and MenuType='报表'")
                                        + QStringLiteral(" and menucode like ?") + QStringLiteral(" ORDER BY parent,menuorder"),
                                    {menuCode + QLatin1Char('%')});
        if (!rs)
            throw RuntimeError(db->LastError().description);
        const int gap = twipsToPixels(50, area);
        kxImageButton *previous = tmpl;
        for (; !rs->isEOF(); rs->moveNext()) {
            kxImageButton *b = kxImageButton::createFrom(*tmpl, area);
            b->setActive(false);
            b->setObjectName(QStringLiteral("ImgRpt%1").arg(m_reports.size() + 1));
            b->setCaption(QStringLiteral("  ") + rs->text(QStringLiteral("menuname")));
            b->setGeometry(previous->x(), previous->y() + previous->height() + gap, previous->width(), previous->height());
            b->raise();
            b->copyStyleFrom(*previous);
            b->setPicture(previous->picture());
            b->setTag(rs->text(QStringLiteral("menucode")));
            connect(b, &kxImageButton::clicked, this, [this, b] {
                bool inEdit = false, executed = false;
                ExecuteMenu(b->tag(), inEdit, executed);
            });
            b->show();
            b->setActive(true);
            m_reports.append(b);
            previous = b;
        }
        rs->close();
        done = true;
    } catch (const std::exception &e) {
        ui::msgBox(QStringLiteral("加载报表菜单，原因：") + RuntimeError::describe(e), ui::Critical, QStringLiteral("错误"));
    }
}

// ------------------------------------------------------------------ the last session's tabs

namespace {

const QString kTabsSection = QStringLiteral("lasttabs");

} // namespace

void FunctionHost::rememberOpenFunctions()
{
    if (!m_session.config || !m_session.op)
        return;
    QStringList codes;
    QString active;
    for (int i = 2; i <= m_host.tabCount(); ++i) {
        const QString code = tabkey::menuCode(m_host.tabKey(i));
        if (code.isEmpty() || codes.contains(code))
            continue;
        codes << code;
        if (i == m_host.activeTab())
            active = code;
    }
    // "code,code,...|active"; menu codes hold neither separator.
    m_session.saveSetting(kTabsSection, m_session.op->name(), codes.join(u',') + u'|' + active);
}

void FunctionHost::reopenLastFunctions()
{
    if (!m_session.config || !m_session.op || !m_session.db || !m_session.sys)
        return;
    const QString choice = m_session.getSetting(QStringLiteral("main"), QStringLiteral("reopentabs"), QStringLiteral("ask")).trimmed().toLower();
    if (choice == QLatin1String("never"))
        return;
    const QString stored = m_session.getSetting(kTabsSection, m_session.op->name());
    const QString active = stored.section(u'|', 1);
    QStringList codes;
    for (const QString &c : stored.section(u'|', 0, 0).split(u',', Qt::SkipEmptyParts)) {
        // Still a function of the menus, and one this operator may run now.
        RecordSetPtr rs = m_session.db->query(QStringLiteral("select progID, menuismx from xt_menu where menucode = ?"), {c});
        if (!rs || rs->recordCount() == 0 || hosting::numericField(rs->field(QStringLiteral("menuismx"))) != 1.0)
            continue;
        const auto number = hosting::int32Field(rs->field(QStringLiteral("progID")));
        if (number && m_session.sys->rights(*number).right(1) && !codes.contains(c))
            codes << c;
    }
    m_session.db->ClearError();
    if (codes.isEmpty())
        return;
    if (choice != QLatin1String("always")
        && ui::msgBox(QStringLiteral("是否打开上次退出时未关闭的 %1 个功能？").arg(codes.size()), ui::YesNo | ui::Question,
                      QStringLiteral("提示：")) != ui::Yes)
        return;
    int activeTab = 0;
    for (const QString &c : std::as_const(codes)) {
        bool inEditWindow = false, executed = false;
        ExecuteMenu(c, inEditWindow, executed);
        if (executed && !inEditWindow && c == active)
            activeTab = m_host.tabCount();
    }
    if (activeTab > 1 && activeTab != m_host.activeTab())
        m_host.activateTab(activeTab);
}

