// What the main window loads: its caption, operator, period and footer links
// from the configuration; the catalogs of the navigation panel, the theme's
// pictures, the icons of the menu codes and the menu buttons of a catalog.
#include "workspace/frmmain.h"
#include "workspace/frmmain_p.h"
#include "workspace/functionsearchbox.h"
#include "workspace/idleclock.h"
#include "workspace/menurules.h"

#include "core/bcommon.h"
#include "core/clsconfig.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "components/database.h"
#include "components/kx/kxarrow.h"
#include "components/kx/kxpilot.h"
#include "components/kx/kximagebutton.h"
#include "components/kx/kxlinklabel.h"
#include "components/kx/kxnavpanel.h"
#include "components/kx/kxshadowlabel.h"
#include "components/kx/kxvstab.h"
#include "components/kx/picturebox.h"
#include "components/sysservices.h"
#include "platform/uiservice.h"
#include "platform/vbconv.h"

#include <QFileInfo>
#include <QImageReader>
#include <QLinearGradient>

using namespace frmmain_detail;
using workspace::Rect;

namespace {
// A test or training copy's header: a warm band no one takes for the real books' blue.
const QColor kCopyBandDark(0x9a, 0x3d, 0x08);
const QColor kCopyBand(0xd9, 0x77, 0x06);
} // namespace

void frmMain::load()
{
    try {
        loadSteps();
    } catch (const std::exception &e) {
        ui::msgBox(QStringLiteral("加载主窗体时发生错误,原因:") + describe(e), ui::Exclamation, QStringLiteral("错误:"));
    }
    functions->reload();
}

void frmMain::loadSteps()
{
    Session &g = m_session;
    clsConfig *config = need(g.config);
    workspace::MainLayout &m = m_layout;

    bMain::StatusPrompt(QString());

    // 1. Caption and state; the books worked in, a copy unmistakably so.
    // (Without a database the load stops at its first use below, the caption set.)
    const ConnectionSettings cs = g.db ? g.db->settings() : ConnectionSettings();
    const workspace::DatabaseBadge badge = g.db ? workspace::databaseBadge(g.sys ? g.sys->companyInfo().text() : QString(),
                                                                           cs.driver, cs.server, cs.database, cs.dsn, cs.copyKind)
                                                : workspace::DatabaseBadge();
    lblDatabase->setCaption(badge.line);
    lblDatabase->setToolTip(badge.detail);
    if (badge.copy) {
        QLinearGradient band(0, 0, 1, 0);
        band.setCoordinateMode(QGradient::ObjectMode);
        band.setColorAt(0, kCopyBandDark);
        band.setColorAt(1, kCopyBand);
        Panel[0]->setBackground(band);
        Panel[0]->setBackgroundOverTheme(true); // a theme's band must not hide it
    }
    setWindowTitle(config->Caption() + badge.titleSuffix);
    setWindowState(windowState() | Qt::WindowMaximized);

    // 2. The operator.
    lbl[0]->setCaption(QStringLiteral("登录用户名：") + need(g.op)->name());
    takeDesignSizes();

    // 3. The accounting period, when the configuration asks for it.
    SystemServices *sys = need(g.sys);
    const bool displayPeriod = bCommon::GetBool(config->value(QStringLiteral("//configuration/system/settings/displayperiod")));
    if (displayPeriod) {
        lbl[2]->setCaption(QStringLiteral("当前会计期间：") + sys->parameterByNumber(12, 1).value);
        takeDesignSizes();
    }
    workspace::placePeriodLabel(m, displayPeriod);
    lbl[2]->setVisible(m.lbl2Visible);

    // 4. The menu-code structure.
    const int n = workspace::firstLevelCodeLength(sys->parameter(12, QStringLiteral("menubm")).value);

    // 5./6. The catalogs; a database error ends the load quietly.
    log1(QStringLiteral("frmain 正在读取菜单记录集..."));
    Database *db = need(g.db);
    db->ClearError();
    RecordSetPtr rows = db->OpenRecordset(workspace::catalogQuery(n), 1);
    if (!db->LastError().description.isEmpty()) {
        Logger::WriteMessage(db->LastError().description, 8);
        db->ClearError();
        return;
    }

    // 7. Catalogs into the navigation panel, the active item again.
    loadCatalogs(*rows);

    // 8. The theme.
    log1(QStringLiteral("frmain 应用主题..."));
    sys->themeService()->ApplyTheme(this);

    // 9. Images.
    log1(QStringLiteral("frmain 加载图标..."));
    loadImages();

    // 10.-12. Footer links.
    QString web = config->value(QStringLiteral("//configuration/system/webhome"));
    if (web.isEmpty())
        web = QStringLiteral("http://www.zenlo.example");
    const QString subject = config->Subject().isEmpty() ? QStringLiteral("Zenlo软件") : config->Subject();
    lnklbl[0]->setCaption(subject + QStringLiteral("(") + web + QStringLiteral(")"));
    lnklbl[0]->setLink(web);
    const QString support = config->value(QStringLiteral("//configuration/system/LxMessage"));
    lnklbl[1]->setCaption(support.isEmpty() ? QStringLiteral("技术支持:400-820-0000") : support);
    const QString mail = config->value(QStringLiteral("//configuration/system/mailto"));
    lnklbl[2]->setLink(QStringLiteral("mailto:") + (mail.isEmpty() ? QStringLiteral("support@zenlo.example") : mail));

    // The idle lock (off unless configured).
    QString idleProblem;
    const int idleMinutes = workspace::idleLockMinutes(config->value(QStringLiteral("//configuration/system/settings/idlelock")), &idleProblem);
    if (!idleProblem.isEmpty())
        Logger::WriteMessage(idleProblem, 1);
    m_idle->start(idleMinutes);

    // 13. The navigation panel's width of the last run.
    const double design = m.navPanel.width;
    const QString stored = m_session.getSetting(QStringLiteral("main"), QStringLiteral("navpanel_width"));
    if (!stored.isEmpty()) {
        const workspace::StoredWidth width = workspace::navPanelWidth(stored, design);
        if (!width.usable)
            log1(QStringLiteral("导航面板宽度设置 navpanel_width=\"%1\" 不可用（%2），使用设计宽度 %3")
                     .arg(stored, width.reason, QString::number(design)));
        m.navPanel.setWidth(width.usable ? workspace::restoredNavPanelWidth(width.width) : design);
    }
    takeDesignSizes();
    applyMinimumSize();
}

void frmMain::loadCatalogs(RecordSet &rows)
{
    QList<workspace::CatalogRow> list;
    {
        RedrawOff off(NavPanel);
        log1(QStringLiteral("frmain 加载模块大类..."));
        while (!rows.isEOF()) {
            list.append({rows.text(QStringLiteral("menucode")), rows.text(QStringLiteral("systemcatalog")),
                         rows.text(QStringLiteral("systemcode"))});
            rows.moveNext();
        }
        rows.close();
        for (const workspace::CatalogItem &item : workspace::catalogItems(list)) {
            const QPixmap icon = LoadMenuIcon(item.iconCode, 1);
            if (!NavPanel->add(item.caption, item.key, icon.isNull() ? QIcon() : QIcon(icon), NavContainer, true))
                log1(QStringLiteral("模块大类“%1”的代码“%2”与另一大类相同，未列出").arg(item.caption, item.key));
        }
    }

    log1(QStringLiteral("frmain 恢复默认的导航项目..."));
    if (NavPanel->count() < 1)
        return;
    const QString remembered = m_session.getSetting(QStringLiteral("main"), QStringLiteral("NavPaneActiveItem"), QString());
    kxNavItem *active = remembered.isEmpty() ? nullptr : NavPanel->item(remembered);
    NavPanel->setActiveItem(active ? active : NavPanel->item(1));
    NavPanel->setVisibleRowCount(
        workspace::visibleRows(m_session.getSetting(QStringLiteral("main"), QStringLiteral("NavPaneVisibleItems"), QStringLiteral("3"))));
}

void frmMain::loadImages()
{
    Session &g = m_session;
    SystemServices *sys = need(g.sys);
    const QString themeFolder = sys->themeService()->folder();
    const QString appFolder = sys->environment()->appFolder();
    auto find = [&](const QString &name) {
        for (const QString &folder : {themeFolder, appFolder}) {
            if (folder.isEmpty())
                continue;
            const QString path = folder + QLatin1Char('/') + name;
            if (QFileInfo(path).isFile())
                return path;
        }
        return QString();
    };
    // A file that is there but is no picture is treated as missing (and logged).
    auto picture = [](const QString &path) {
        if (path.isEmpty())
            return QPixmap();
        QImageReader reader(path);
        const QImage image = reader.read();
        if (image.isNull()) {
            log1(QStringLiteral("图片“%1”不能读取：%2").arg(path, reader.errorString()));
            return QPixmap();
        }
        return QPixmap::fromImage(image);
    };

    const QPixmap logo = picture(find(QStringLiteral("logo.gif")));
    if (!logo.isNull())
        Img[0]->setPicture(logo);
    const QPixmap title = picture(find(QStringLiteral("title.gif")));
    if (!title.isNull()) {
        Img[1]->setPicture(title);
    } else {
        for (kxShadowLabel *label : std::as_const(lblProductName_B)) {
            label->setCaption(need(g.config)->Caption());
            label->setVisible(true);
        }
    }
    // The lock screen's panel (hosting's) takes the theme's picture; it reads
    // the file when the screen is first locked, not at start-up.
    m_lockPanelFile = find(QStringLiteral("piclogin.gif"));
    if (m_menuRunner)
        m_menuRunner->setLockPanelPicture(m_lockPanelFile);
}

// ------------------------------------------------------------------ catalogs and buttons

QPixmap frmMain::LoadMenuIcon(const QString &code, int type)
{
    Session &g = m_session;
    if (g.sys)
        m_iconCache.setTempFolder(g.sys->environment()->tempFolder());
    QString problem;
    QString note;
    const QString path = m_iconCache.fetch(g.db.get(), code, type, &problem, &note);
    if (!note.isEmpty())
        log1(note);
    if (!problem.isEmpty()) {
        log1(QStringLiteral("菜单[%1]的图标不能加载：%2").arg(code, problem));
        return {};
    }
    if (path.isEmpty())
        return {};
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull()) {
        log1(QStringLiteral("菜单[%1]的图标不能加载：文件“%2”不是可读的图片（%3）").arg(code, path, reader.errorString()));
        return {};
    }
    return QPixmap::fromImage(image);
}

void frmMain::LoadCatalogButtons(const QString &catalog)
{
    try {
        ClearDynamicControls(true);
        Database *db = need(m_session.db);
        db->ClearError();
        RecordSetPtr rows = db->OpenRecordset(workspace::buttonQuery(catalog), 1);
        if (!db->LastError().description.isEmpty()) {
            Logger::WriteMessage(db->LastError().description, 8);
            db->ClearError();
            return;
        }
        const QString remembered = m_session.getSetting(QStringLiteral("main"), catalog + QStringLiteral("_ButTag"), QString());
        const double d = dpi();
        QStringList captions;
        while (!rows->isEOF()) {
            const int k = int(But.size()) - 1;
            kxImageButton *previous = But[k];
            kxImageButton *b = kxImageButton::createFrom(*But[0], NavContainer);
            b->setObjectName(QStringLiteral("But%1").arg(k + 1));
            b->setProperty("index", k + 1);
            b->setCaption(QStringLiteral("  ") + rows->text(QStringLiteral("menuname")));
            const Rect &above = m_layout.buttons[size_t(k)];
            const Rect r{above.left, above.top + above.height + 120, above.width, above.height};
            m_layout.buttons.push_back(r);
            b->setGeometry(workspace::toPixels(r, d));
            b->raise();
            b->copyStyleFrom(*previous);
            b->setTag(rows->text(QStringLiteral("menucode")));
            b->setPicture(LoadMenuIcon(vbconv::trimBlanks(rows->text(QStringLiteral("menucode"))), 1));
            b->setToolTip(vbconv::trimBlanks(rows->text(QStringLiteral("menuname"))));
            connect(b, &QAbstractButton::clicked, this, [this, b] {
                try {
                    But_Click(int(But.indexOf(b)));
                } catch (const std::exception &e) {
                    Logger::WriteMessage(QStringLiteral("执行功能时出错，原因：") + describe(e), 8);
                }
            });
            But << b;
            b->show();
            captions << b->caption();
            rows->moveNext();
        }
        rows->close();
        const int press = workspace::buttonToPress(captions, remembered);
        if (press > 0)
            But_Click(press);
    } catch (const std::exception &e) {
        Logger::WriteMessage(QStringLiteral("加载菜单树时出错，原因：") + describe(e), 8);
    }
}

void frmMain::ClearDynamicControls(bool buttons)
{
    if (buttons) {
        while (But.size() > 1) {
            kxImageButton *b = But.takeLast();
            b->disconnect(this);
            b->hide();
            b->setObjectName(QString());
            b->deleteLater(); // the button may be the one whose click is running
        }
        m_layout.buttons.resize(1);
        return;
    }
    // The box whose click is running may be among them: they go when the event loop comes back.
    while (kxPilot.size() > 1) {
        ::kxPilot *b = kxPilot.takeLast();
        b->disconnect(this);
        b->hide();
        b->setObjectName(QString());
        b->deleteLater();
    }
    while (kxArrow.size() > 1) {
        ::kxArrow *a = kxArrow.takeLast();
        a->hide();
        a->setObjectName(QString());
        a->deleteLater();
    }
}

void frmMain::But_Click(int index)
{
    if (index < 1 || index >= But.size())
        return;
    const QString code = But[index]->tag();
    bool inEditWindow = false;
    bool executed = false;
    executeMenu(code, inEditWindow, executed);
    if (!inEditWindow && index < But.size()) {
        if (const kxNavItem *active = NavPanel->activeItem())
            m_session.saveSetting(QStringLiteral("main"), active->caption() + QStringLiteral("_ButTag"),
                             vbconv::trimBlanks(But[index]->caption()));
    }
}

void frmMain::executeMenu(const QString &code, bool &inEditWindow, bool &executed)
{
    if (m_menuRunner) {
        m_menuRunner->ExecuteMenu(code, inEditWindow, executed);
        return;
    }
    // Until function launch takes over: show where the operator is, and the home area.
    QString name;
    if (Database *db = m_session.db.get()) {
        RecordSetPtr rs = db->query(QStringLiteral("select menuname from xt_menu where menucode=?"), {code});
        if (rs && !rs->isEOF())
            name = vbconv::trimBlanks(rs->text(QStringLiteral("menuname")));
    }
    const kxNavItem *active = NavPanel->activeItem();
    lbl[1]->setCaption(QStringLiteral("当前位置：") + (active ? active->caption() : QString()) + QStringLiteral(" -> ") + name);
    PicTable->show();
    PicTable->raise();
    executed = true;
}

