#include "hosting/frmedit.h"

#include "components/database.h"
#include "components/sysservices.h"
#include "core/contracts.h"
#include "core/logger.h"
#include "core/session.h"
#include "hosting/componentloader.h"
#include "hosting/hostrules.h"
#include "platform/runtimeerror.h"
#include "platform/uiservice.h"

#include <QCloseEvent>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

int twipsToPixels(double twips, const QWidget *w)
{
    return hosting::twipsToPixels(twips, w->logicalDpiX());
}

// Each statement of the window's set-up stands alone: one that fails leaves the rest to run.
template <typename F>
void step(F &&f)
{
    try {
        f();
    } catch (...) {
    }
}

} // namespace

frmEdit::frmEdit(Session &session, QWidget *owner, IWorkspaceHost *host)
    : QWidget(owner, Qt::Window), m_session(session), m_host(host)
{
    setObjectName(QStringLiteral("frmEdit"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(960, 640);
    picHolder = new QWidget(this);
    picHolder->setObjectName(QStringLiteral("picHolder"));
    statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("StatusBar1"));
    statusBar->setSizeGripEnabled(true);
    const struct {
        const char *key;
        int minimum;
        int stretch;
    } panels[] = {{"msg", 200, 1}, {"date", 110, 0}, {"user", 110, 0}, {"period", 120, 0}};
    for (const auto &p : panels) {
        auto *label = new QLabel(statusBar);
        label->setObjectName(QStringLiteral("panel_") + QLatin1String(p.key));
        label->setMinimumWidth(p.minimum);
        label->setContentsMargins(6, 0, 6, 0);
        statusBar->addPermanentWidget(label, p.stretch);
        m_panels.insert(QString::fromLatin1(p.key), label);
    }
    // Load: the unload flag starts cleared.
    m_unload = false;
}

frmEdit::~frmEdit()
{
    unloadComponent();
}

QString frmEdit::panelText(const QString &key) const
{
    const QLabel *l = m_panels.value(key);
    return l ? l->text() : QString();
}

void frmEdit::ShowStatus(const QString &text, int kind)
{
    step([&] {
        switch (kind) {
        case 0:
            m_panels.value(QStringLiteral("msg"))
                ->setText(text.isEmpty() ? m_session.lookup(QStringLiteral("/mdimain/statusbar/wait"), QStringLiteral("Ready..."))
                                         : text);
            break;
        case 1:
            m_panels.value(QStringLiteral("date"))->setText(text);
            break;
        case 2:
            m_panels.value(QStringLiteral("user"))->setText(text);
            break;
        case 3:
            m_panels.value(QStringLiteral("period"))
                ->setText(m_session.lookup(QStringLiteral("/mdimain/statusbar/period"), QStringLiteral("会计期间"))
                          + QStringLiteral("：") + text);
            break;
        default:
            return;
        }
        statusBar->repaint();
    });
}

bool frmEdit::Py_Init(int32_t programNumber, const QString &caption, int32_t catalog, const QVariant &parameter,
                      const QVariant &dataObject, int32_t openMode)
{
    QPointer<frmEdit> self(this);
    ShowStatus(QStringLiteral("正在加载窗体 -->") + caption, 0);
    m_programNumber = programNumber;
    m_caption = caption;
    m_catalog = catalog;
    m_parameter = hosting::editParameter(parameter);
    m_openMode = openMode;
    m_dataObject = dataObject;
    setWindowTitle(caption);

    bool loaded = false;
    m_inInit = true;
    LoadComponent(programNumber, catalog, loaded);
    m_inInit = false;
    if (!self)
        return false;
    if (m_unload) {
        m_closed = true; // the component asked to go: nothing more to ask it
        close();
        return false;
    }

    Database *db = m_session.sys ? m_session.sys->database() : nullptr;
    step([&] {
        if (!m_session.sys)
            return;
        Environment *env = m_session.sys->environment();
        ShowStatus(env->operatingDate().toString(QStringLiteral("yyyy-MM-dd")), 1);
        ShowStatus(env->operatorName(), 2);
    });
    step([&] {
        if (!db)
            return;
        RecordSetPtr rs = db->query(QStringLiteral("select systemcode from xt_objects where progID=?"), {programNumber});
        const QString code = rs ? rs->firstValue().toString().trimmed() : QString();
        const Period period = m_session.sys->accountPeriod(code, 0);
        if (period.current != 0)
            ShowStatus(QString::number(period.current), 3);
    });
    step([&] {
        if (!db)
            return;
        RecordSetPtr rs = db->query(QStringLiteral("SELECT progCommandLine From xt_objects Where ProgID=?"), {programNumber});
        const hosting::EditGeometry g = hosting::editGeometry(rs ? rs->firstValue().toString() : QString());
        QRect r = geometry();
        if (g.width)
            r.setWidth(twipsToPixels(*g.width, this));
        if (g.height)
            r.setHeight(twipsToPixels(*g.height, this));
        if (g.left)
            r.moveLeft(twipsToPixels(*g.left, this));
        if (g.top)
            r.moveTop(twipsToPixels(*g.top, this));
        setGeometry(r);
    });
    show();
    ShowStatus(QString(), 0);
    return loaded;
}

void frmEdit::LoadComponent(int32_t programNumber, int32_t catalog, bool &loaded)
{
    const QString progId = hosting::editProgId(catalog);
    if (progId.isEmpty()) {
        ui::msgBox(QStringLiteral("该菜单功能未完成！"), ui::Exclamation, QStringLiteral("提示："));
        m_unload = true;
        return;
    }
    try {
        QPointer<frmEdit> self(this);
        QWidget *control = hosting::createComponent(progId, picHolder, QStringLiteral("edit"), this,
                                                    SLOT(moControl_ObjectEvent(QString, QVariantList)), &m_component);
        moControl = control;
        const bool textParameter = m_parameter.typeId() == QMetaType::QString;
        QVariantList args;
        int dataIndex = -1;
        if (progId == QLatin1String("LwEdit.oedit")) {
            args << (textParameter ? QVariant(0) : QVariant(hosting::numericField(m_parameter))) << QVariant(m_openMode)
                 << m_dataObject;
            dataIndex = 2;
        } else if (progId == QLatin1String("LwEdit.oReport") || progId == QLatin1String("LwEdit.oquery")) {
            args << m_caption;
        } else if (progId == QLatin1String("LwEdit.oeditrpt")) {
            args << m_dataObject;
            dataIndex = 0;
        }
        QPointer<QWidget> guard(control);
        const bool ok = hosting::initComponent(m_session, m_component, programNumber, args);
        if (!self)
            return;
        if (dataIndex >= 0 && dataIndex < args.size())
            m_dataObject = args.at(dataIndex);
        if (!ok) {
            Logger::WriteMessage(QStringLiteral("初始化控件Init()时出错<") + QString::number(programNumber) + QLatin1Char('>'), 1);
            return;
        }
        if (progId == QLatin1String("LwEdit.oedit") && textParameter && guard) {
            ParameterSet set;
            set.Add(0, 0, 0, QStringLiteral("sID"), m_parameter, 203, 0);
            m_component->setSParameters(set);
        }
        if (m_unload || !guard)
            return;
        control->setGeometry(0, 0, picHolder->width(), picHolder->height());
        control->show();
        loaded = true;
    } catch (const std::exception &e) {
        Logger::WriteMessage(QStringLiteral("加载动态控件时出错:") + RuntimeError::describe(e), 8);
    }
}

void frmEdit::moControl_ObjectEvent(const QString &eventName, const QVariantList &params)
{
    const QString name = eventName.toLower();
    try {
        if (name == QLatin1String("message")) {
            ShowStatus(params.value(0).toString(), 0);
        } else if (name == QLatin1String("errmessage")) {
            Logger::WriteMessage(params.value(0).toString(), int(hosting::numericField(params.value(1))), params.value(2).toString());
        } else if (name == QLatin1String("unload")) {
            if (params.value(0).toBool()) {
                m_unload = true;
                if (!m_inInit) {
                    m_closed = true;
                    close();
                }
            } else {
                m_unload = false;
            }
        } else {
            hosting::handleOpenRequest(m_session, name, params, false, m_host, parentWidget());
        }
    } catch (const std::exception &e) {
        Logger::WriteMessage(QStringLiteral("处理组件消息") + name + QStringLiteral("时出错，原因：") + RuntimeError::describe(e), 8);
    }
}

void frmEdit::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    step([&] {
        const int margin = twipsToPixels(15, this);
        const int bar = statusBar->sizeHint().height();
        statusBar->setGeometry(0, height() - bar, width(), bar);
        picHolder->setEnabled(false);
        picHolder->setGeometry(margin, margin, std::max(0, width() - 2 * margin),
                               std::max(0, height() - 2 * margin - bar - twipsToPixels(50, this)));
        if (moControl)
            moControl->setGeometry(0, 0, picHolder->width(), picHolder->height());
        picHolder->setEnabled(true);
    });
}

void frmEdit::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        step([&] {
            if (m_session.sys)
                m_session.sys->themeService()->ApplyTheme(this);
        });
    }
}

void frmEdit::closeEvent(QCloseEvent *event)
{
    // The operator closing a window with unsaved work is asked first.
    if (!m_closed && m_component && moControl && m_component->hasUnsavedChanges()) {
        const int answer = ui::msgBox(QStringLiteral("当前单据尚未保存，确定要关闭窗口吗？"), ui::YesNo | ui::Exclamation,
                                      QStringLiteral("提示："));
        if (answer != ui::Yes) {
            event->ignore();
            return;
        }
    }
    m_closed = true;
    unloadComponent();
    event->accept();
}

void frmEdit::unloadComponent()
{
    if (moControl) {
        hosting::removeComponent(moControl);
        moControl = nullptr;
    }
    m_component = nullptr;
    m_dataObject = QVariant();
}
