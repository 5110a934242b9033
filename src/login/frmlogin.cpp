#include "login/frmlogin.h"

#include "app/bcommon.h"
#include "app/clsconfig.h"
#include "app/globals.h"
#include "app/logger.h"
#include "components/encryption.h"
#include "components/sysservices.h"
#include "components/xmldocument.h"
#include "login/loginrules.h"
#include "platform/vbconv.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QGraphicsDropShadowEffect>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <stdexcept>

namespace {

const char kRememberKey[] = "qoxu";

QString trimBlanks(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s.at(b) == QLatin1Char(' '))
        ++b;
    while (e > b && s.at(e - 1) == QLatin1Char(' '))
        --e;
    return s.mid(b, e - b);
}

} // namespace

frmLogin::frmLogin(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmLogin"));
    buildUi();
    Form_Load();
}

frmLogin::~frmLogin() = default;

void frmLogin::buildUi()
{
    setWindowTitle(app::g().config ? app::g().config->Caption() : QStringLiteral("Zenlo系统"));
    setFixedSize(560, 340);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setScaledContents(true);
    Image1->setStyleSheet(QStringLiteral("QLabel#Image1 { background: qlineargradient(x1:0, y1:0, x2:1, y2:1,"
                                         " stop:0 #1f4e79, stop:0.55 #2e75b6, stop:1 #9dc3e6); }"));

    for (int i = 0; i < 2; ++i) {
        auto *l = new QLabel(this);
        l->setObjectName(QStringLiteral("lblProductName_B%1").arg(i));
        QFont f = l->font();
        f.setPointSizeF(20);
        f.setBold(true);
        l->setFont(f);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        l->setStyleSheet(i == 0 ? QStringLiteral("color: rgba(0,0,0,90);") : QStringLiteral("color: white;"));
        l->setGeometry(28 + (i == 0 ? 2 : 0), 22 + (i == 0 ? 2 : 0), 500, 44);
        l->hide();
        lblProductName_B << l;
    }

    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("loginPanel"));
    panel->setGeometry(150, 80, 380, 240);
    panel->setStyleSheet(QStringLiteral(
        "QWidget#loginPanel { background: rgba(255,255,255,235); border-radius: 8px; }"
        "QLabel { color: #333; }"
        "QLineEdit, QComboBox { min-height: 24px; padding: 0 4px; border: 1px solid #b8c4d0; border-radius: 3px; background: white; }"
        "QSpinBox { min-height: 24px; }"
        "QPushButton { min-height: 26px; min-width: 84px; border-radius: 3px; border: 1px solid #2e75b6; background: #2e75b6; color: white; }"
        "QPushButton#XPCmdCancel { background: white; color: #2e75b6; }"
        "QPushButton:hover { background: #3c86c9; color: white; }"));
    auto *shadow = new QGraphicsDropShadowEffect(panel);
    shadow->setBlurRadius(18);
    shadow->setOffset(0, 3);
    panel->setGraphicsEffect(shadow);

    auto *grid = new QGridLayout(panel);
    grid->setContentsMargins(20, 18, 20, 12);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(9);

    auto *lblUser = new QLabel(QStringLiteral("操作员:"), panel);
    CobUser = new QComboBox(panel);
    CobUser->setObjectName(QStringLiteral("CobUser"));
    CobUser->setEditable(true);
    CobUser->setInsertPolicy(QComboBox::NoInsert);
    auto *lblPass = new QLabel(QStringLiteral("密  码:"), panel);
    Txt2 = new QLineEdit(panel);
    Txt2->setObjectName(QStringLiteral("Txt2"));
    Txt2->setEchoMode(QLineEdit::Password);
    Txt2->setContextMenuPolicy(Qt::NoContextMenu);
    Txt2->installEventFilter(this);
    auto *lblDate = new QLabel(QStringLiteral("操作日期:"), panel);
    auto *dateRow = new QHBoxLayout;
    dateRow->setSpacing(4);
    const char *const suffix[3] = {"年", "月", "日"};
    for (int i = 0; i < 3; ++i) {
        Spinner[i] = new QSpinBox(panel);
        Spinner[i]->setObjectName(QStringLiteral("Spinner%1").arg(i));
        if (i == 0)
            Spinner[i]->setRange(1753, 9999);
        else
            Spinner[i]->setRange(0, i == 1 ? 13 : 32); // one step past each end, so the change event can wrap
        dateRow->addWidget(Spinner[i], i == 0 ? 3 : 2);
        dateRow->addWidget(new QLabel(QString::fromUtf8(suffix[i]), panel));
        connect(Spinner[i], &QSpinBox::valueChanged, this, [this, i](int) { Spinner_Change(i); });
    }
    chkRemberme = new QCheckBox(QStringLiteral("保存密码"), panel);
    chkRemberme->setObjectName(QStringLiteral("chkRemberme"));
    chkRemberme->hide();
    lblMess = new QLabel(panel);
    lblMess->setObjectName(QStringLiteral("lblMess"));
    lblMess->setStyleSheet(QStringLiteral("color: #7f7f7f;"));
    XPCmdOk = new QPushButton(panel);
    XPCmdOk->setObjectName(QStringLiteral("XPCmdOk"));
    XPCmdOk->setAutoDefault(false);
    XPCmdCancel = new QPushButton(panel);
    XPCmdCancel->setObjectName(QStringLiteral("XPCmdCancel"));
    XPCmdCancel->setAutoDefault(false);
    connect(XPCmdOk, &QPushButton::clicked, this, &frmLogin::XPCmdOk_Click);
    connect(XPCmdCancel, &QPushButton::clicked, this, &frmLogin::XPCmdCancel_Click);

    grid->addWidget(lblUser, 0, 0);
    grid->addWidget(CobUser, 0, 1);
    grid->addWidget(lblPass, 1, 0);
    grid->addWidget(Txt2, 1, 1);
    grid->addWidget(lblDate, 2, 0);
    grid->addLayout(dateRow, 2, 1);
    grid->addWidget(chkRemberme, 3, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(XPCmdOk);
    buttons->addWidget(XPCmdCancel);
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->addWidget(lblMess, 5, 0, 1, 2);
    lblMess->setWordWrap(true);
    grid->setColumnStretch(1, 1);
}

int frmLogin::parameterNumber(int system, const QString &name) const
{
    SystemServices *sys = app::g().sys.get();
    if (!sys)
        return 0;
    const double v = vbconv::leadingNumber(sys->parameter(system, name).value);
    return vbconv::toInt32(v).value_or(0);
}

void frmLogin::Form_Load()
{
    try {
        Image1->setGeometry(rect());
        Image1->lower();
        m_encryption = std::make_unique<Encryption>();

        clsConfig *cfg = app::g().config.get();
        const QString caption = cfg ? cfg->Caption() : QString();
        for (QLabel *l : std::as_const(lblProductName_B)) {
            l->setText(caption);
            l->show();
        }

        // Background picture: a configured one hides the caption drawn over the built-in background.
        const QString background = cfg ? trimBlanks(cfg->Background_Login()) : QString();
        if (!background.isEmpty()) {
            const QString path = bCommon::ExpandPath(background, false);
            if (QFileInfo(path).isFile()) {
                QPixmap pm(path);
                if (!pm.isNull()) {
                    Image1->setPixmap(pm);
                    Image1->setStyleSheet(QString());
                }
                for (QLabel *l : std::as_const(lblProductName_B))
                    l->hide();
            }
        }

        // The remember-password box.
        const QString remember = cfg ? trimBlanks(cfg->value(QStringLiteral("/configuration/system/settings/remerber"))).toLower() : QString();
        if (remember == QLatin1String("1") || remember == QLatin1String("true")) {
            chkRemberme->show();
            chkRemberme->setText(app::lookup(QStringLiteral("/login/remember"), QStringLiteral("保存密码")));
            chkRemberme->setChecked(vbconv::leadingNumber(app::getSetting(QStringLiteral("main"), QStringLiteral("remerber"), QStringLiteral("0"))) != 0.0);
            const QString stored = app::getSetting(QStringLiteral("main"), QStringLiteral("remerberString"));
            if (chkRemberme->isChecked() && !stored.isEmpty())
                Txt2->setText(m_encryption->Decrypt(stored, QString::fromLatin1(kRememberKey)));
        }

        const QDate today = QDate::currentDate();
        m_inSpinnerChange = true;
        Spinner[0]->setValue(today.year());
        Spinner[1]->setValue(today.month());
        Spinner[2]->setValue(today.day());
        m_inSpinnerChange = false;

        // The operator list.
        m_style = parameterNumber(12, QStringLiteral("loginuserstyle"));
        m_userCount = parameterNumber(38, QStringLiteral("loginusercount"));
        QStringList names;
        if (m_style == 1) {
            m_comboMode = 1;
        } else if (m_style == 2) {
            m_comboMode = 0;
            names = loginrules::readRecent([](const QString &key) { return app::getSetting(QStringLiteral("main"), key); }, m_userCount);
        } else {
            m_comboMode = 0;
            if (SystemServices *sys = app::g().sys.get())
                names = sys->operatorNames();
        }
        CobUser->clear();
        CobUser->addItems(names);
        if (CobUser->count() > 0)
            CobUser->setCurrentIndex(0);
        CobUser->setEditText(app::getSetting(QStringLiteral("main"), QStringLiteral("LogonUser"), CobUser->currentText()));

        XPCmdOk->setText(app::lookup(QStringLiteral("/login/cmdok"), QStringLiteral("确定(&D)")));
        XPCmdCancel->setText(app::lookup(QStringLiteral("/login/cmdcancel"), QStringLiteral("取消(&C)")));
        lblMess->setText(app::lookup(QStringLiteral("/login/hint"), QStringLiteral("提示：默认密码为空！")));
    } catch (const std::exception &e) {
        Logger::WriteMessage(QStringLiteral("加载数据时出错,原因:") + QString::fromStdString(e.what()), 4);
    }
}

void frmLogin::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    Form_Activate();
}

void frmLogin::resizeEvent(QResizeEvent *e)
{
    QDialog::resizeEvent(e);
    if (Image1)
        Image1->setGeometry(rect());
}

void frmLogin::Form_Activate()
{
    if (CobUser->currentText().isEmpty())
        CobUser->setFocus();
    else
        Txt2->setFocus();
}

void frmLogin::Spinner_Change(int index)
{
    if (m_inSpinnerChange)
        return;
    const int v = Spinner[index]->value();
    const int w = loginrules::wrapSpinner(index, v);
    if (w != v) {
        m_inSpinnerChange = true;
        Spinner[index]->setValue(w);
        m_inSpinnerChange = false;
    }
}

bool frmLogin::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == Txt2 && e->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(e);
        if (k->modifiers() & Qt::ControlModifier
            && (k->key() == Qt::Key_C || k->key() == Qt::Key_V || k->key() == Qt::Key_X))
            return true;
        if (k->matches(QKeySequence::Copy) || k->matches(QKeySequence::Paste) || k->matches(QKeySequence::Cut))
            return true;
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            focusNextChild();
            XPCmdOk_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void frmLogin::XPCmdOk_Click()
{
    try {
        const int y = Spinner[0]->value(), m = Spinner[1]->value(), d = Spinner[2]->value();
        const QDate date = loginrules::operatingDate(y, m, d);
        if (!date.isValid()) {
            Logger::WriteMessage(QStringLiteral("操作日期") + loginrules::dateText(y, m, d) + QStringLiteral("不正确,请重新选择"), 4);
            return;
        }
        if (CobUser->currentText().isEmpty()) {
            Logger::WriteMessage(QStringLiteral("用户名不能为空，请重试!"), 4);
            CobUser->setFocus();
            return;
        }
        Operator *op = app::g().op.get();
        if (!op)
            throw std::runtime_error("操作员对象不存在");
        const QString name = trimBlanks(CobUser->currentText());
        const QString typed = Txt2->text();
        op->setName(name);
        bool ok = op->VerifyPassword(trimBlanks(typed));
        // A password set with blanks at its ends (the change-password window keeps them) must still log in.
        if (!ok && typed != trimBlanks(typed))
            ok = op->VerifyPassword(typed);
        if (!ok) {
            const QString reason = op->LastError().description;
            Logger::WriteMessage(reason.isEmpty() ? QStringLiteral("无效的密码或者用户名") + name + QStringLiteral(" ，请重试!") : reason, 4);
            Txt2->setFocus();
            Txt2->selectAll();
            return;
        }
        if (SystemServices *sys = app::g().sys.get()) {
            Environment *env = sys->environment();
            env->setOperatingDate(date);
            env->setOperatorCode(op->code());
            env->setOperatorName(name);
        }
        app::saveSetting(QStringLiteral("main"), QStringLiteral("LogonUser"), CobUser->currentText());

        if (m_style == 2) {
            const QStringList stored = loginrules::readRecent([](const QString &key) { return app::getSetting(QStringLiteral("main"), key); }, m_userCount);
            const QStringList next = loginrules::recentAfterLogin(stored, name, m_userCount);
            for (int i = 0; i < next.size(); ++i)
                app::saveSetting(QStringLiteral("main"), QString::number(i + 1) + QStringLiteral("LogonUser"), next.at(i));
        }

        app::saveSetting(QStringLiteral("main"), QStringLiteral("remerber"), chkRemberme->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
        if (!typed.isEmpty() && chkRemberme->isChecked())
            app::saveSetting(QStringLiteral("main"), QStringLiteral("remerberString"), m_encryption->Encrypt(typed, QString::fromLatin1(kRememberKey)));
        else
            app::saveSetting(QStringLiteral("main"), QStringLiteral("remerberString"), QString());

        m_done = true;
        accept();
    } catch (const std::exception &e) {
        Logger::WriteMessage(QStringLiteral("发生错误:") + QString::fromStdString(e.what()), 8);
    }
}

void frmLogin::XPCmdCancel_Click()
{
    if (Operator *op = app::g().op.get())
        op->setName(QString());
    m_done = true;
    QDialog::reject();
}

void frmLogin::reject()
{
    // The close box and Escape cancel like the cancel button.
    if (!m_done)
        XPCmdCancel_Click();
    else
        QDialog::reject();
}
