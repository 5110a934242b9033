#include "hosting/componentloader.h"

#include "components/database.h"
#include "components/sysservices.h"
#include "core/clsconfig.h"
#include "core/contracts.h"
#include "core/iworkspacehost.h"
#include "core/logger.h"
#include "core/session.h"
#include "hosting/frmedit.h"
#include "hosting/hostrules.h"
#include "platform/objectfactory.h"
#include "platform/runtimeerror.h"
#include "platform/uiservice.h"

#include <QDir>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcHosting, "zenlo.hosting")

namespace hosting {

QWidget *createComponent(const QString &progId, QWidget *host, const QString &name, QObject *receiver,
                         const char *slot, IBusinessComponent **component)
{
    QString error, reason;
    QObject *object = objects::createObject(progId, &error, &reason);
    if (!object) {
        qCWarning(lcHosting) << "no component" << progId << reason;
        // The operator is told which library and why in Chinese; the library's
        // own (English) reason goes to the log beside it.
        const objects::ClassLocation where = objects::locateClass(progId);
        QString text = error.isEmpty() ? QStringLiteral("ActiveX 部件不能创建对象: ") + progId : error;
        if (where.library.isEmpty())
            text += QStringLiteral("（没有提供这个类的组件库：未内置、未注册，components 文件夹中也没有）");
        else
            text += QStringLiteral("（组件库 %1 不能加载或不能创建这个类）").arg(QDir::toNativeSeparators(where.library));
        Logger::WriteLogOnly(text + QStringLiteral(" [") + reason + QLatin1Char(']'), 4);
        throw RuntimeError(text, RuntimeError::CannotCreateObject);
    }
    auto *widget = qobject_cast<QWidget *>(object);
    auto *contract = qobject_cast<IBusinessComponent *>(object);
    if (!widget || !contract) {
        delete object;
        throw RuntimeError(QStringLiteral("对象不支持该属性或方法: ") + progId, RuntimeError::ObjectLacksMember);
    }
    widget->hide();
    widget->setParent(host);
    widget->setObjectName(name);
    widget->hide();
    QObject::connect(widget, SIGNAL(objectEvent(QString, QVariantList)), receiver, slot);
    *component = contract;
    return widget;
}

bool initComponent(Session &session, IBusinessComponent *component, int32_t programNumber, QVariantList &args)
{
    SystemServices *sys = session.sys.get();
    clsConfig *config = session.config.get();
    int32_t number = programNumber;
    bool ok = false;
    try {
        ok = component->Py_Init(sys, config, number, args);
    } catch (const std::exception &e) {
        throw RuntimeError(RuntimeError::describe(e));
    } catch (...) {
        throw RuntimeError(QStringLiteral("组件初始化时发生未知错误"));
    }
    // The program-wide objects belong to the session; one a component hands back is not adopted.
    if (sys != session.sys.get() || config != session.config.get())
        Logger::WriteMessage(QStringLiteral("组件返回了另外的系统对象，程序继续使用原有对象<") + QString::number(programNumber)
                                 + QLatin1Char('>'),
                             1);
    return ok;
}

void removeComponent(QWidget *control)
{
    if (!control)
        return;
    if (auto *c = qobject_cast<IBusinessComponent *>(control)) {
        try {
            c->Clear();
        } catch (...) {
        }
    }
    control->hide();
    control->setParent(nullptr);
    control->deleteLater();
}

namespace {

QVariant param(const QVariantList &p, int i)
{
    if (i >= p.size())
        throw RuntimeError(QStringLiteral("下标越界"), RuntimeError::SubscriptOutOfRange);
    return p.at(i);
}

} // namespace

bool handleOpenRequest(Session &session, const QString &name, const QVariantList &p, bool mainWindow,
                       IWorkspaceHost *host, QWidget *owner)
{
    static const QStringList mainNames{QStringLiteral("detaile"), QStringLiteral("detailes"), QStringLiteral("detailerpt"),
                                       QStringLiteral("filenew"), QStringLiteral("fileedit"), QStringLiteral("editform")};
    const int which = mainNames.indexOf(name);
    if (which < 0 || (!mainWindow && which > 2))
        return false;

    QVariant parameter;
    QVariant dataObject;
    int32_t mode = 0;
    const QVariant p0 = param(p, 0);
    switch (which) {
    case 0: // detaile
        parameter = numericField(param(p, 1));
        mode = 3;
        break;
    case 1: // detailes
        parameter = param(p, 1);
        break;
    case 2: // detailerpt
        if (mainWindow)
            parameter = param(p, 1);
        else
            dataObject = param(p, 1);
        break;
    case 3: // filenew
        parameter = 0;
        mode = 1;
        break;
    case 4: // fileedit
        parameter = numericField(param(p, 1));
        mode = 2;
        break;
    case 5: { // editform
        parameter = numericField(param(p, 1));
        dataObject = param(p, 2);
        const auto m = int32Field(param(p, 3));
        if (!m)
            throw RuntimeError(QStringLiteral("溢出"), RuntimeError::Overflow);
        mode = *m;
        break;
    }
    }

    const auto number = int32Field(p0);
    if (!number)
        throw RuntimeError(QStringLiteral("溢出"), RuntimeError::Overflow);
    if (!session.sys || !session.sys->rights(*number).right(1)) {
        ui::msgBox(QStringLiteral("当前菜单没有操作权限！"), ui::Information, QStringLiteral("提示："));
        return true;
    }
    Database *db = session.db.get();
    RecordSetPtr rs = db ? db->query(QStringLiteral("select menucatalog,progID,menuname,systemcode from xt_menu where progID=?"),
                                     {*number})
                         : nullptr;
    if (!rs || rs->isEOF()) {
        if (rs)
            rs->close();
        ui::msgBox(QStringLiteral("当前菜单不存在！"), ui::Information, QStringLiteral("提示："));
        return true;
    }
    if (mainWindow && host) {
        host->showWait(which == 2 ? QStringLiteral("正在加载报表数据，请等候...") : QStringLiteral("正在加载表单，请等候..."));
        ui::doEvents();
    }
    const int32_t progId = int32Field(rs->field(QStringLiteral("progID"))).value_or(0);
    const QString caption = rs->text(QStringLiteral("menuname")).trimmed();
    const int32_t catalog = int32Field(rs->field(QStringLiteral("menucatalog"))).value_or(0);
    rs->close();
    auto *edit = new frmEdit(session, owner, host);
    QPointer<frmEdit> guard(edit);
    if (edit->Py_Init(progId, caption, catalog, parameter, dataObject, mode) && guard) {
        edit->showMaximized();
        edit->raise();
        edit->activateWindow();
    }
    if (mainWindow && host)
        host->hideWait();
    return true;
}

} // namespace hosting
