#include "about/frmabout.h"

#include "about/pathshorten.h"
#include "core/bcommon.h"
#include "core/clsconfig.h"
#include "core/diagnostics.h"
#include "core/session.h"
#include "core/logger.h"
#include "components/database.h"
#include "components/kx/kxlinklabel.h"
#include "components/kx/kxstyle.h"
#include "platform/appinfo.h"
#include "platform/runtimeerror.h"
#include "platform/uiservice.h"
#include "util/clsregistryaccess.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

const char kServerQuery[] =
    "SELECT cast(SERVERPROPERTY ('edition') as nvarchar) + ' '+ cast(SERVERPROPERTY('productversion') as nvarchar)"
    "+'('+cast(SERVERPROPERTY ('productlevel') as nvarchar) +')'";

const char kBuiltInMaker[] = "程序制作：Zenlo软件";

// ShellExecute's answers: above 32 is success.
constexpr int kShellOk = 33;
constexpr int kShellFileNotFound = 2;
constexpr int kShellNoAssociation = 31;

constexpr int kWidth = 520;
constexpr int kHeight = 372;
constexpr int kMargin = 24;
constexpr int kBandHeight = 92;
constexpr int kLogoSize = 64;

QString &makerOverride()
{
    static QString text;
    return text;
}

template<typename T>
T *need(T *p)
{
    if (!p)
        throw RuntimeError(QStringLiteral("对象变量或 With 块变量未设置"), RuntimeError::ObjectNotSet);
    return p;
}

// The path shortener works on "\"-separated parts; a POSIX folder is handed to
// it with the two separators swapped, so that nothing of the path is lost.
QString swapSeparators(QString s)
{
    for (QChar &c : s) {
        if (c == QLatin1Char('/'))
            c = QLatin1Char('\\');
        else if (c == QLatin1Char('\\'))
            c = QLatin1Char('/');
    }
    return s;
}

QString shortenedPath(const QString &text, int width, const QFontMetrics &fm)
{
    const bool posix = nativePathStyle() == PathStyle::Posix;
    auto toParts = [posix](const QString &s) { return posix ? swapSeparators(s) : s; };
    const auto shortened = about::ShortenPath(toParts(text), width, [&](const QString &t) {
        return double(fm.horizontalAdvance(toParts(t)));
    });
    if (shortened)
        return toParts(*shortened);
    // Folders of one character cannot give way: the label still shows a path
    // that fits rather than nothing useful.
    return fm.elidedText(text, Qt::ElideMiddle, width);
}

QPixmap builtInLogoPixmap(int size, qreal dpr)
{
    QPixmap pm(QSize(size, size) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(1, 1, size - 2, size - 2);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, kxstyle::accentHover());
    g.setColorAt(1, kxstyle::accentDark());
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(r, size * 0.22, size * 0.22);

    // A "Z" drawn as one stroke band, so it needs no font.
    const qreal u = size / 64.0;
    QPainterPath z;
    z.moveTo(18 * u, 17 * u);
    z.lineTo(46 * u, 17 * u);
    z.lineTo(46 * u, 24 * u);
    z.lineTo(28 * u, 41 * u);
    z.lineTo(46 * u, 41 * u);
    z.lineTo(46 * u, 48 * u);
    z.lineTo(18 * u, 48 * u);
    z.lineTo(18 * u, 41 * u);
    z.lineTo(36 * u, 24 * u);
    z.lineTo(18 * u, 24 * u);
    z.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(z);
    return pm;
}

QPixmap headerBandPixmap(const QSize &size, qreal dpr)
{
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    QPainter p(&pm);
    QLinearGradient g(0, 0, size.width(), 0);
    g.setColorAt(0, QColor(0xff, 0xff, 0xff));
    g.setColorAt(1, QColor(0xea, 0xf1, 0xf9));
    p.fillRect(QRect(QPoint(0, 0), size), g);
    p.fillRect(QRect(0, size.height() - 1, size.width(), 1), kxstyle::border());
    return pm;
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text, const QRect &geometry)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(geometry);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

void setTextColour(QWidget *w, const QColor &c)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, c);
    w->setPalette(pal);
}

} // namespace

frmAbout::frmAbout(Session &session, QWidget *parent) : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("frmAbout"));
    buildUi();
    Form_Load();
}

frmAbout::~frmAbout() = default;

QString frmAbout::fileDescription() { return QStringLiteral("Zenlo企业管理系统主控台"); }
QString frmAbout::legalCopyright() { return QStringLiteral("版权所有 © Zenlo软件。保留所有权利。"); }
QString frmAbout::legalTrademarks() { return QStringLiteral("Zenlo 是 Zenlo软件的商标。"); }

QString frmAbout::makerLine()
{
    return makerOverride().isEmpty() ? QString::fromUtf8(kBuiltInMaker) : makerOverride();
}

void frmAbout::setMakerLine(const QString &text) { makerOverride() = text; }

void frmAbout::buildUi()
{
    setWindowTitle(QStringLiteral("关于"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(kWidth, kHeight);
    const qreal dpr = devicePixelRatioF();
    const int inner = kWidth - 2 * kMargin;

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, kWidth, kBandHeight);
    Image1->setPixmap(headerBandPixmap(Image1->size(), dpr));

    ImgLogo = new QLabel(this);
    ImgLogo->setObjectName(QStringLiteral("ImgLogo"));
    ImgLogo->setGeometry(kMargin, (kBandHeight - kLogoSize) / 2, kLogoSize, kLogoSize);
    ImgLogo->setAlignment(Qt::AlignCenter);
    ImgLogo->setPixmap(builtInLogoPixmap(kLogoSize, dpr));

    const int titleLeft = kMargin + kLogoSize + 16;
    QFont titleFont = font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.7);
    titleFont.setBold(true);
    for (int i = 0; i < 2; ++i) {
        QLabel *l = makeLabel(this, QStringLiteral("lblTitle%1").arg(i), QStringLiteral("Zenlo系统"),
                              QRect(titleLeft, (kBandHeight - 40) / 2 + (i == 0 ? 1 : 0), kWidth - titleLeft - kMargin, 40));
        l->setFont(titleFont);
        setTextColour(l, i == 0 ? QColor(0x8b, 0x00, 0x00) : QColor(0xc6, 0x28, 0x28));
        lblTitle << l;
    }
    lblTitle[1]->raise();

    int y = kBandHeight + 14;
    lblVersion = makeLabel(this, QStringLiteral("lblVersion"), QStringLiteral("版本"), QRect(kMargin, y, inner, 22));
    QFont strong = lblVersion->font();
    strong.setBold(true);
    lblVersion->setFont(strong);
    y += 26;

    lblPath = makeLabel(this, QStringLiteral("lblPath"), QStringLiteral("***********"), QRect(kMargin, y, inner, 22));
    lblPath->hide(); // the link below shows its text
    dlnkPath = new kxLinkLabel(this);
    dlnkPath->setObjectName(QStringLiteral("dlnkPath"));
    dlnkPath->setFont(lblPath->font());
    dlnkPath->setGeometry(lblPath->geometry());
    connect(dlnkPath, &kxLinkLabel::linkClicked, this, [this](int, const QString &link) { dlnkPath_Click(link); });
    y += 24;

    dlnkWeb = new kxLinkLabel(QStringLiteral("升级网站"), QString(), this);
    dlnkWeb->setObjectName(QStringLiteral("dlnkWeb"));
    dlnkWeb->setGeometry(kMargin, y, inner, 22);
    y += 30;

    lblProduct = makeLabel(this, QStringLiteral("lblProduct"), makerLine(), QRect(kMargin, y, inner, 22));
    y += 24;

    lblDescription = makeLabel(this, QStringLiteral("lblDescription"), QStringLiteral("应用程序描述"), QRect(kMargin, y, inner, 42));
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDescription->setWordWrap(true);
    y += 48;

    lblDisclaimer = makeLabel(this, QStringLiteral("lblDisclaimer"), QString(), QRect(kMargin, y, inner, 40));
    lblDisclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDisclaimer->setWordWrap(true);
    QFont small = lblDisclaimer->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    lblDisclaimer->setFont(small);
    for (QLabel *l : {lblProduct, lblDescription, lblDisclaimer})
        setTextColour(l, kxstyle::mutedText());

    lineButtons = new QFrame(this);
    lineButtons->setObjectName(QStringLiteral("lineButtons"));
    lineButtons->setFrameShape(QFrame::HLine);
    lineButtons->setFrameShadow(QFrame::Plain);
    lineButtons->setGeometry(0, kHeight - 56, kWidth, 1);
    setTextColour(lineButtons, kxstyle::border());

    CmdOK = new QPushButton(QStringLiteral("关闭(&C)"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    cmdInfo = new QPushButton(QStringLiteral("系统信息(&I)"), this);
    cmdInfo->setObjectName(QStringLiteral("cmdInfo"));
    const int buttonTop = kHeight - 56 + 13;
    CmdOK->setGeometry(kWidth - kMargin - 100, buttonTop, 100, 30);
    cmdInfo->setGeometry(kWidth - kMargin - 100 - 10 - 116, buttonTop, 116, 30);
    cmdDiag = new QPushButton(QStringLiteral("诊断信息(&D)"), this);
    cmdDiag->setObjectName(QStringLiteral("cmdDiag"));
    cmdDiag->setGeometry(kWidth - kMargin - 100 - 10 - 116 - 10 - 116, buttonTop, 116, 30);
    cmdDiag->setAutoDefault(false);
    connect(cmdDiag, &QPushButton::clicked, this, &frmAbout::showDiagnostics);
    QPalette accent = CmdOK->palette();
    accent.setColor(QPalette::Button, kxstyle::accent());
    accent.setColor(QPalette::ButtonText, Qt::white);
    CmdOK->setPalette(accent);
    CmdOK->setDefault(true);
    cmdInfo->setAutoDefault(false);
    connect(CmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);
}

QString frmAbout::diagnosticsText() const
{
    diagnostics::Inputs in;
    in.configFile = m_session.configPath;
    in.appName = m_session.config ? m_session.appName() : QString();
    in.db = m_session.db.get();
    in.libraryFolders = {appinfo::programFolder() + QStringLiteral("/components"), appinfo::programFolder() + QStringLiteral("/Plugin")};
    return diagnostics::report(in);
}

void frmAbout::showDiagnostics()
{
    QDialog page(this);
    page.setObjectName(QStringLiteral("frmDiagnostics"));
    page.setWindowTitle(QStringLiteral("诊断信息"));
    page.resize(760, 520);
    auto *layout = new QVBoxLayout(&page);
    auto *text = new QPlainTextEdit(diagnosticsText(), &page);
    text->setObjectName(QStringLiteral("txtDiagnostics"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(text, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto *copy = new QPushButton(QStringLiteral("复制全部(&P)"), &page);
    copy->setObjectName(QStringLiteral("cmdCopy"));
    auto *close = new QPushButton(QStringLiteral("关闭(&C)"), &page);
    buttons->addWidget(copy);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(copy, &QPushButton::clicked, &page, [text] { QGuiApplication::clipboard()->setText(text->toPlainText()); });
    connect(close, &QPushButton::clicked, &page, &QDialog::accept);
    page.exec();
}

void frmAbout::Form_Load()
{
    // Each step stands alone: one that fails leaves its control as it was and the rest run.
    auto step = [](const auto &body) {
        try {
            body();
        } catch (...) {
        }
    };
    Session &g = m_session;

    step([&] {
        lblVersion->setText(m_session.lookup(QStringLiteral("/frmabout/version"), QStringLiteral("版本")) + QLatin1Char(':')
                            + QString::number(appinfo::versionMajor()) + QLatin1Char('.')
                            + QString::number(appinfo::versionMinor()) + QLatin1Char('.')
                            + QString::number(appinfo::versionRevision()));
    });
    step([&] { lblVersion->setText(lblVersion->text() + QStringLiteral(" 标准版")); });
    step([&] {
        const QString installed = m_session.getSetting(QStringLiteral("main"), QStringLiteral("ISVERSION"), QString());
        if (installed.isEmpty())
            return;
        Logger::WriteMessage(QStringLiteral("安装版本：") + installed, 1);
        lblVersion->setText(lblVersion->text() + QLatin1Char(' ')
                            + m_session.lookup(QStringLiteral("/frmabout/isversion"), QStringLiteral("安装版本:"))
                            + QLatin1Char(' ') + installed);
    });

    step([&] {
        const QString folder = QDir::toNativeSeparators(appinfo::programFolder());
        lblPath->setToolTip(folder);
        const QString text = m_session.lookup(QStringLiteral("/frmabout/runpath"), QStringLiteral("安装目录:")) + folder;
        lblPath->setText(shortenedPath(text, lblPath->width(), QFontMetrics(lblPath->font())));
        dlnkPath->setCaption(lblPath->text());
        dlnkPath->setLink(lblPath->toolTip());
        dlnkPath->setToolTip(lblPath->toolTip());
    });

    step([&] {
        const QString web = need(g.config.get())->value(QStringLiteral("//configuration/system/webhome"));
        dlnkWeb->setCaption(m_session.lookup(QStringLiteral("/frmabout/web"), QStringLiteral("升级网站:") + web));
        dlnkWeb->setLink(m_session.lookup(QStringLiteral("/frmabout/weburl"), web));
        dlnkWeb->setToolTip(dlnkWeb->link());
    });

    step([&] {
        lblTitle[0]->setText(m_session.lookup(QStringLiteral("/frmabout/title"), need(g.config.get())->Caption()));
        lblTitle[1]->setText(lblTitle[0]->text());
    });

    step([&] { lblDescription->setText(m_session.lookup(QStringLiteral("/filedescription"), fileDescription())); });

    step([&] {
        Database *db = need(g.db.get());
        if (db->ConnectionProperties().value(QStringLiteral("driver")) != QLatin1String("mssql"))
            return;
        RecordSetPtr rs = db->OpenRecordset(QString::fromUtf8(kServerQuery));
        // A failed query shows no server line rather than an empty one.
        if (!rs || rs->isEOF())
            throw RuntimeError(QStringLiteral("读不到数据库服务器的版本"));
        const QVariant server = rs->firstValue();
        if (!server.isValid() || server.isNull())
            throw RuntimeError(QStringLiteral("读不到数据库服务器的版本"));
        lblDescription->setText(lblDescription->text() + QStringLiteral("\r\nSQL Server ") + server.toString());
    });

    step([&] { lblDisclaimer->setText(legalCopyright() + QLatin1Char('\n') + legalTrademarks()); });

    step([&] {
        const QString path = bCommon::ExpandPath(m_session.lookup(QStringLiteral("/logo"), QString()), false);
        if (!path.isEmpty() && QFileInfo(path).isFile()) {
            const QPixmap picture(path);
            if (picture.isNull())
                throw RuntimeError(QStringLiteral("无效图片"), 481);
            ImgLogo->setPixmap(picture.size().boundedTo(ImgLogo->size()) == picture.size()
                                   ? picture
                                   : picture.scaled(ImgLogo->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
            m_builtInLogo = false;
        } else if (!lblProduct->text().contains(QLatin1String("Zenlo"))) {
            // Another maker's build has no logo of its own: the title takes its place.
            ImgLogo->hide();
            for (QLabel *l : std::as_const(lblTitle))
                l->move(ImgLogo->x(), l->y());
        }
    });

    step([&] {
        CmdOK->setText(m_session.lookup(QStringLiteral("/frmabout/cmdok"), CmdOK->text()));
        cmdInfo->setText(m_session.lookup(QStringLiteral("/frmabout/cmdsysteminfo"), cmdInfo->text()));
    });
}

void frmAbout::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    // The close button, not the first link, takes the keyboard.
    CmdOK->setFocus();
}

void frmAbout::dlnkPath_Click(const QString &link)
{
    if (!link.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(QDir::fromNativeSeparators(link)));
}

int frmAbout::OpenURL(const QString &address)
{
    const QString target = address.trimmed();
    if (target.isEmpty())
        return kShellFileNotFound;
    QUrl url = kxLinkLabel::openableUrl(target);
    if (!url.isValid()) {
        const QUrl given(target, QUrl::StrictMode);
        // A scheme of one letter is a drive ("C:\..."), not a protocol.
        if (given.isValid() && given.scheme().size() > 1) {
            url = given;
        } else {
            const QString file = QDir::fromNativeSeparators(target);
            if (!QFileInfo::exists(file))
                return kShellFileNotFound;
            url = QUrl::fromLocalFile(file);
        }
    }
    return QDesktopServices::openUrl(url) ? kShellOk : kShellNoAssociation;
}

void frmAbout::StartSysInfo()
{
    // A program path as this file system names it (a drive letter cannot exist here).
    auto native = [](const QString &path) {
        return nativePathStyle() == PathStyle::Posix ? bCommon::toNativePath(path, PathStyle::Windows) : path;
    };
    try {
        clsRegistryAccess reg;
        const QString tool = reg.ReadString(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                                            QStringLiteral("PATH"), QString());
        if (!tool.isEmpty()) {
            const QString program = native(tool);
            if (program.isEmpty() || !QProcess::startDetached(program, {}))
                throw RuntimeError(QStringLiteral("系统信息程序不能启动"));
            return;
        }
        const QString folder = reg.ReadString(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location"),
                                              QStringLiteral("MSINFO"), QString());
        const QString program = native(folder + QStringLiteral("\\MSINFO32.EXE"));
        if (!program.isEmpty() && QFileInfo(program).isFile()) {
            if (!QProcess::startDetached(program, {}))
                throw RuntimeError(QStringLiteral("系统信息程序不能启动"));
            return;
        }
    } catch (...) {
    }
    ui::msgBox(QStringLiteral("此时系统信息不可用"));
}
