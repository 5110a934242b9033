#include "login/frmlogin.h"

#include "core/bcommon.h"
#include "core/clsconfig.h"
#include "core/session.h"
#include "core/logger.h"
#include "components/database.h"
#include "components/encryption.h"
#include "components/sysservices.h"
#include "components/xmldocument.h"
#include "login/loginrules.h"
#include "platform/runtimeerror.h"
#include "platform/vbconv.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPainter>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <stdexcept>

namespace {
const char kRememberKey[] = "qoxu";

// The built-in background: a calm blue gradient, painted with the window (made ahead as a
// picture, its fill would set the painting threads going before the window could show).
void paintBuiltInBackground(QPainter &p, const QRect &r)
{
    QLinearGradient g(0, 0, r.width(), r.height());
    g.setColorAt(0, QColor(0x1f, 0x4e, 0x79));
    g.setColorAt(0.55, QColor(0x2e, 0x75, 0xb6));
    g.setColorAt(1, QColor(0x9d, 0xc3, 0xe6));
    p.fillRect(r, g);
}

// The white card the fields sit on, with a soft edge painted around it.
class LoginPanel : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        const QRectF r = QRectF(rect()).adjusted(3, 2, -3, -4);
        for (int i = 3; i >= 1; --i) {
            p.setBrush(QColor(0, 0, 0, 14));
            p.drawRoundedRect(r.adjusted(-i, -i + 2, i, i + 2), 8 + i, 8 + i);
        }
        p.setBrush(QColor(255, 255, 255, 240));
        p.drawRoundedRect(r, 8, 8);
    }
};

} // namespace

frmLogin::frmLogin(Session &session, QWidget *parent) : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("frmLogin"));
    buildUi();
    Form_Load();
}

frmLogin::~frmLogin() = default;

// One font loaded instead of a Latin one and a Chinese fallback, and the hinter's pass over
// a Chinese font's tens of thousands of glyphs never made: a third of the time before this
// window appears.
QFont frmLogin::windowFont(QFont f)
{
#ifdef Q_OS_WIN
    const QString bothScripts = QStringLiteral("Microsoft YaHei");
#else
    const QString bothScripts = QStringLiteral("WenQuanYi Micro Hei");
    f.setHintingPreference(QFont::PreferNoHinting);
#endif
    if (QFontDatabase::families().contains(bothScripts))
        f.setFamilies({bothScripts});
    return f;
}

void frmLogin::buildUi()
{
    setWindowTitle(m_session.config ? m_session.config->Caption() : QStringLiteral("Zenlo系统"));
    setFixedSize(560, 340);
    setFont(windowFont(font()));

    // Plain palettes and painting instead of style sheets: the login window is the first
    // thing an operator waits for.
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setScaledContents(true);

    for (int i = 0; i < 2; ++i) {
        auto *l = new QLabel(this);
        l->setObjectName(QStringLiteral("lblProductName_B%1").arg(i));
        QFont f = l->font();
        f.setPointSizeF(20);
        f.setBold(true);
        l->setFont(f);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, i == 0 ? QColor(0, 0, 0, 90) : QColor(Qt::white));
        l->setPalette(pal);
        l->setGeometry(28 + (i == 0 ? 2 : 0), 22 + (i == 0 ? 2 : 0), 500, 44);
        l->hide();
        lblProductName_B << l;
    }

    auto *panel = new LoginPanel(this);
    panel->setObjectName(QStringLiteral("loginPanel"));
    panel->setGeometry(150, 80, 380, 240);

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
    chkRemberme->installEventFilter(this);
    chkRemberme->setObjectName(QStringLiteral("chkRemberme"));
    chkRemberme->hide();
    lblMess = new QLabel(panel);
    lblMess->setObjectName(QStringLiteral("lblMess"));
    QPalette grey = lblMess->palette();
    grey.setColor(QPalette::WindowText, QColor(0x7f, 0x7f, 0x7f));
    lblMess->setPalette(grey);
    XPCmdOk = new QPushButton(panel);
    XPCmdOk->setObjectName(QStringLiteral("XPCmdOk"));
    XPCmdOk->setAutoDefault(false);
    XPCmdCancel = new QPushButton(panel);
    XPCmdCancel->setObjectName(QStringLiteral("XPCmdCancel"));
    XPCmdCancel->setAutoDefault(false);
    QPalette accent = XPCmdOk->palette();
    accent.setColor(QPalette::Button, QColor(0x2e, 0x75, 0xb6));
    accent.setColor(QPalette::ButtonText, Qt::white);
    XPCmdOk->setPalette(accent);
    for (QPushButton *b : {XPCmdOk, XPCmdCancel})
        b->setMinimumSize(84, 28);
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
    SystemServices *sys = m_session.sys.get();
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

        clsConfig *cfg = m_session.config.get();
        const QString caption = cfg ? cfg->Caption() : QString();
        for (QLabel *l : std::as_const(lblProductName_B)) {
            l->setText(caption);
            l->show();
        }

        // Background picture: a configured one hides the caption drawn over the built-in background.
        const QString background = cfg ? vbconv::trimBlanks(cfg->Background_Login()) : QString();
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
        const QString remember = cfg ? vbconv::trimBlanks(cfg->value(QStringLiteral("/configuration/system/settings/remerber"))).toLower() : QString();
        if (remember == QLatin1String("1") || remember == QLatin1String("true")) {
            chkRemberme->show();
            chkRemberme->setText(m_session.lookup(QStringLiteral("/login/remember"), QStringLiteral("保存密码")));
            chkRemberme->setChecked(vbconv::leadingNumber(m_session.getSetting(QStringLiteral("main"), QStringLiteral("remerber"), QStringLiteral("0"))) != 0.0);
            const QString stored = m_session.getSetting(QStringLiteral("main"), QStringLiteral("remerberString"));
            if (chkRemberme->isChecked() && !stored.isEmpty()) {
                Txt2->setText(m_encryption->Decrypt(stored, QString::fromLatin1(kRememberKey)));
                // The password was remembered at the last login, for the operator stored with it.
                m_rememberedPassword = Txt2->text();
                m_rememberedFor = vbconv::trimBlanks(m_session.getSetting(QStringLiteral("main"), QStringLiteral("LogonUser")));
            }
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
            names = loginrules::readRecent([this](const QString &key) { return m_session.getSetting(QStringLiteral("main"), key); }, m_userCount);
        } else {
            m_comboMode = 0;
            if (SystemServices *sys = m_session.sys.get())
                names = sys->operatorNames();
        }
        CobUser->clear();
        CobUser->addItems(names);
        if (CobUser->count() > 0)
            CobUser->setCurrentIndex(0);
        CobUser->setEditText(m_session.getSetting(QStringLiteral("main"), QStringLiteral("LogonUser"), CobUser->currentText()));
        connect(CobUser, &QComboBox::currentTextChanged, this, &frmLogin::CobUser_Change, Qt::UniqueConnection);

        XPCmdOk->setText(m_session.lookup(QStringLiteral("/login/cmdok"), QStringLiteral("确定(&D)")));
        XPCmdCancel->setText(m_session.lookup(QStringLiteral("/login/cmdcancel"), QStringLiteral("取消(&C)")));
        lblMess->setText(m_session.lookup(QStringLiteral("/login/hint"), QStringLiteral("提示：默认密码为空！")));
        // The hint is true only of the demo database while its admin has no password.
        Database *db = m_session.db.get();
        lblMess->setVisible(db && db->isDemo() && Operator::hasNoPassword(db, QStringLiteral("admin")));
    } catch (const std::exception &e) {
        Logger::WriteMessage(QStringLiteral("加载数据时出错,原因:") + RuntimeError::describe(e), 4);
    }
}

void frmLogin::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    Form_Activate();
}

void frmLogin::paintEvent(QPaintEvent *e)
{
    // A configured picture covers the whole window; without one the window paints its own.
    if (Image1 && !Image1->pixmap().isNull()) {
        QDialog::paintEvent(e);
        return;
    }
    QPainter p(this);
    paintBuiltInBackground(p, rect());
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

void frmLogin::CobUser_Change(const QString &text)
{
    if (m_rememberedPassword.isEmpty())
        return;
    // A remembered password belongs to one operator: another one never gets it.
    if (vbconv::trimBlanks(text) == m_rememberedFor) {
        if (Txt2->text().isEmpty())
            Txt2->setText(m_rememberedPassword);
    } else if (Txt2->text() == m_rememberedPassword) {
        Txt2->clear();
    }
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
    // Enter on the 保存密码 box logs in, as it does in the password box (a check box only toggles on Space).
    if (watched == chkRemberme && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
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
        Operator *op = m_session.op.get();
        if (!op)
            throw RuntimeError(QStringLiteral("操作员对象不存在"), RuntimeError::ObjectNotSet);
        const QString name = vbconv::trimBlanks(CobUser->currentText());
        const QString typed = Txt2->text();
        op->setName(name);
        bool ok = op->VerifyPassword(vbconv::trimBlanks(typed));
        // A password set with blanks at its ends (the change-password window keeps them) must still log in.
        if (!ok && typed != vbconv::trimBlanks(typed))
            ok = op->VerifyPassword(typed);
        if (!ok) {
            const QString reason = op->LastError().description;
            Logger::WriteMessage(reason.isEmpty() ? QStringLiteral("无效的密码或者用户名") + name + QStringLiteral(" ，请重试!") : reason, 4);
            Txt2->setFocus();
            Txt2->selectAll();
            return;
        }
        if (SystemServices *sys = m_session.sys.get()) {
            Environment *env = sys->environment();
            env->setOperatingDate(date);
            env->setOperatorCode(op->code());
            env->setOperatorName(name);
        }
        m_session.saveSetting(QStringLiteral("main"), QStringLiteral("LogonUser"), CobUser->currentText());

        if (m_style == 2) {
            const QStringList stored = loginrules::readRecent([this](const QString &key) { return m_session.getSetting(QStringLiteral("main"), key); }, m_userCount);
            const QStringList next = loginrules::recentAfterLogin(stored, name, m_userCount);
            for (int i = 0; i < next.size(); ++i)
                m_session.saveSetting(QStringLiteral("main"), QString::number(i + 1) + QStringLiteral("LogonUser"), next.at(i));
        }

        m_session.saveSetting(QStringLiteral("main"), QStringLiteral("remerber"), chkRemberme->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
        if (!typed.isEmpty() && chkRemberme->isChecked())
            m_session.saveSetting(QStringLiteral("main"), QStringLiteral("remerberString"), m_encryption->Encrypt(typed, QString::fromLatin1(kRememberKey)));
        else
            m_session.saveSetting(QStringLiteral("main"), QStringLiteral("remerberString"), QString());

        m_done = true;
        accept();
    } catch (const std::exception &e) {
        Logger::WriteMessage(QStringLiteral("发生错误:") + RuntimeError::describe(e), 8);
    }
}

void frmLogin::XPCmdCancel_Click()
{
    if (Operator *op = m_session.op.get())
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
