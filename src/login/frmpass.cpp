#include "login/frmpass.h"

#include "core/session.h"
#include "core/logger.h"
#include "components/sysservices.h"
#include "platform/runtimeerror.h"
#include "platform/uiservice.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

const char kTitle[] = "提示：";

QString describe(const std::exception &e)
{
    return RuntimeError::describe(e);
}

QFrame *horizontalLine(QWidget *parent, const QString &name)
{
    auto *line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setFixedHeight(1);
    QPalette pal = line->palette();
    pal.setColor(QPalette::WindowText, QColor(0xd5, 0xdc, 0xe4));
    line->setPalette(pal);
    return line;
}

} // namespace

frmPass::frmPass(Session &session, QWidget *parent) : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("frmPass"));
    buildUi();
    Form_Load();
}

frmPass::~frmPass() = default;

void frmPass::buildUi()
{
    setWindowTitle(QStringLiteral("修改密码"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // Heading band.
    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setAutoFillBackground(true);
    QPalette band = Shape1->palette();
    band.setColor(QPalette::Window, palette().color(QPalette::Base));
    Shape1->setPalette(band);
    auto *head = new QVBoxLayout(Shape1);
    head->setContentsMargins(24, 16, 24, 14);
    head->setSpacing(4);
    for (int i = 0; i < 2; ++i) {
        auto *l = new QLabel(Shape1);
        l->setObjectName(QStringLiteral("lbl%1").arg(i));
        lbl << l;
    }
    lbl[1]->setText(QStringLiteral("修改密码"));
    QFont headingFont = lbl[1]->font();
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.35);
    headingFont.setBold(true);
    lbl[1]->setFont(headingFont);
    QPalette heading = lbl[1]->palette();
    heading.setColor(QPalette::WindowText, QColor(0x1f, 0x29, 0x33));
    lbl[1]->setPalette(heading);
    lbl[0]->setText(QStringLiteral("密码是信息安全的重要保证，建议经常更改密码!"));
    lbl[0]->setWordWrap(true);
    QPalette muted = lbl[0]->palette();
    muted.setColor(QPalette::WindowText, QColor(0x5f, 0x6b, 0x7a));
    lbl[0]->setPalette(muted);
    head->addWidget(lbl[1]);
    head->addWidget(lbl[0]);
    outer->addWidget(Shape1);
    Line3 = horizontalLine(this, QStringLiteral("Line3"));
    outer->addWidget(Line3);

    // The fields.
    auto *grid = new QGridLayout;
    grid->setContentsMargins(32, 20, 40, 18);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);
    auto addRow = [&](int row, QLabel *&label, const QString &labelName, const QString &text, QLineEdit *&box,
                      const QString &boxName, bool masked) {
        label = new QLabel(text, this);
        label->setObjectName(labelName);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        box = new QLineEdit(this);
        box->setObjectName(boxName);
        box->setMinimumHeight(28);
        if (masked) {
            box->setEchoMode(QLineEdit::Password);
            box->setContextMenuPolicy(Qt::NoContextMenu);
        }
        label->setBuddy(box);
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
    };
    addRow(0, LblUser, QStringLiteral("LblUser"), QStringLiteral("用户名："), USER, QStringLiteral("USER"), false);
    addRow(1, LblOldPass, QStringLiteral("LblOldPass"), QStringLiteral("旧密码："), Oldpassword, QStringLiteral("Oldpassword"), true);
    addRow(2, LblNewPass, QStringLiteral("LblNewPass"), QStringLiteral("新密码："), newpassword, QStringLiteral("newpassword"), true);
    addRow(3, lblConfirm, QStringLiteral("lblConfirm"), QStringLiteral("确认："), newpasswordagain, QStringLiteral("newpasswordagain"), true);
    addRow(4, LblHint, QStringLiteral("LblHint"), QStringLiteral("提示："), hint, QStringLiteral("hint"), true);
    grid->setColumnMinimumWidth(0, 72);
    grid->setColumnStretch(1, 1);
    outer->addLayout(grid);
    outer->addStretch(1);

    Line4 = horizontalLine(this, QStringLiteral("Line4"));
    outer->addWidget(Line4);

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(24, 12, 24, 14);
    buttons->setSpacing(10);
    buttons->addStretch(1);
    CmdOK = new QPushButton(QStringLiteral("保存(&S)"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdClose = new QPushButton(QStringLiteral("关闭(&X)"), this);
    CmdClose->setObjectName(QStringLiteral("CmdClose"));
    for (QPushButton *b : {CmdOK, CmdClose}) {
        b->setAutoDefault(false);
        b->setMinimumSize(92, 30);
        buttons->addWidget(b);
    }
    QPalette accent = CmdOK->palette();
    accent.setColor(QPalette::Button, QColor(0x1f, 0x6f, 0xb2));
    accent.setColor(QPalette::ButtonText, Qt::white);
    CmdOK->setPalette(accent);
    outer->addLayout(buttons);

    connect(CmdOK, &QPushButton::clicked, this, &frmPass::CmdOK_Click);
    connect(CmdClose, &QPushButton::clicked, this, &frmPass::CmdClose_Click);
    connect(Oldpassword, &QLineEdit::textChanged, this, &frmPass::Oldpassword_Change);

    // The operator's name is read-only but must stay readable.
    QPalette readOnly = USER->palette();
    readOnly.setColor(QPalette::Disabled, QPalette::Text, QColor(0x5f, 0x6b, 0x7a));
    USER->setPalette(readOnly);

    setFixedSize(440, 352);
}

Operator *frmPass::currentOperator()
{
    Operator *op = m_session.op.get();
    if (!op)
        throw RuntimeError(QStringLiteral("操作员对象不存在"), RuntimeError::ObjectNotSet);
    return op;
}

QColor frmPass::windowColour() const
{
    return palette().color(QPalette::Active, QPalette::Base);
}

// Qt has no active-border role; the window face is what that colour looks like
// next to an input box.
QColor frmPass::activeBorderColour() const
{
    return palette().color(QPalette::Active, QPalette::Window);
}

void frmPass::setBoxState(QLineEdit *box, bool enabled)
{
    box->setEnabled(enabled);
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, enabled ? windowColour() : activeBorderColour());
    box->setPalette(pal);
}

bool frmPass::Py_Init(int operationId, const QString &caption)
{
    m_operationId = operationId;
    m_caption = caption;
    return true;
}

void frmPass::Form_Load()
{
    // Each step stands alone: one that fails leaves the rest to run.
    auto step = [](const auto &body) {
        try {
            body();
        } catch (...) {
        }
    };
    step([&] {
        hint->setText(QString());
        hint->setEnabled(false);
    });
    step([&] {
        USER->setText(currentOperator()->name());
        USER->setEnabled(false);
    });
    // The operator's password itself is never read back; the live check asks the operator object.
    step([&] { Oldpassword_Change(); });
    step([&] {
        setWindowTitle(m_session.lookup(QStringLiteral("/frmpass/caption"), windowTitle()));
        lbl[0]->setText(m_session.lookup(QStringLiteral("/frmpass/hint"), lbl[0]->text()));
        lbl[1]->setText(m_session.lookup(QStringLiteral("/frmpass/title"), lbl[1]->text()));
        LblUser->setText(m_session.lookup(QStringLiteral("/frmpass/username"), LblUser->text()));
        LblOldPass->setText(m_session.lookup(QStringLiteral("/frmpass/oldpassword"), LblOldPass->text()));
        LblHint->setText(m_session.lookup(QStringLiteral("/frmpass/question"), LblHint->text()));
        LblNewPass->setText(m_session.lookup(QStringLiteral("/frmpass/newpassword"), LblNewPass->text()));
        lblConfirm->setText(m_session.lookup(QStringLiteral("/frmpass/confirm"), lblConfirm->text()));
        CmdOK->setText(m_session.lookup(QStringLiteral("/frmpass/cmdok"), CmdOK->text()));
        CmdClose->setText(m_session.lookup(QStringLiteral("/frmpass/cmdclose"), CmdClose->text()));
    });
}

void frmPass::Oldpassword_Change()
{
    try {
        Operator *op = currentOperator();
        if (op->hasPassword()) {
            setBoxState(Oldpassword, true);
            const bool matches = op->checkPassword(Oldpassword->text());
            setBoxState(newpassword, matches);
            setBoxState(newpasswordagain, matches);
        } else {
            setBoxState(Oldpassword, false);
            setBoxState(newpassword, true);
            setBoxState(newpasswordagain, true);
        }
    } catch (const std::exception &e) {
        Logger::WriteMessage(QStringLiteral("OldPassWord_Change") + describe(e), 4);
    }
}

void frmPass::showEvent(QShowEvent *e)
{
    m_unloaded = false;
    QDialog::showEvent(e);
    if (Oldpassword->isEnabled())
        Oldpassword->setFocus();
    else if (newpassword->isEnabled())
        newpassword->setFocus();
}

void frmPass::changeEvent(QEvent *e)
{
    QDialog::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

void frmPass::Form_Activate()
{
    if (SystemServices *sys = m_session.sys.get())
        sys->themeService()->ApplyTheme(this);
}

void frmPass::CmdOK_Click()
{
    try {
        Operator *op = currentOperator();
        const QString oldText = Oldpassword->text();
        // An operator without a password passes with an empty box.
        const bool oldMatches = op->hasPassword() ? op->checkPassword(oldText) : oldText.isEmpty();
        if (!oldMatches) {
            ui::msgBox(QStringLiteral("请先输入原先的旧密码后继续.."), ui::OkOnly + ui::Information, QString::fromUtf8(kTitle));
            Oldpassword->setFocus();
            return;
        }

        const QString newText = newpassword->text();
        const QString again = newpasswordagain->text();
        if (newText.isEmpty() && again.isEmpty()) {
            if (ui::msgBox(QStringLiteral("新密码为空，是否继续？"), ui::YesNo + ui::Exclamation, QString::fromUtf8(kTitle)) != ui::Yes)
                return;
        }

        if (!op->IsReady()) {
            Logger::WriteMessage(op->LastError().description, 2);
            return;
        }
        if (newText != again) {
            ui::msgBox(QStringLiteral("密码两次输入不一致，请重输！"), ui::OkOnly + ui::Information, QString::fromUtf8(kTitle));
            newpassword->setFocus();
            return;
        }
        if (!op->ChangePassword(oldText, newText)) {
            Logger::WriteMessage(op->LastError().description, 8);
            return;
        }
        Logger::WriteMessage(QStringLiteral("祝贺你，修改密码成功！"), 2);
        Logger::WriteOperation(QStringLiteral("修改当用户密码"), m_operationId);
        accept();
    } catch (const std::exception &e) {
        Logger::WriteMessage(QStringLiteral("修改密码时出错") + describe(e), 4);
    }
}

void frmPass::CmdClose_Click()
{
    reject();
}

// Every way of closing (the buttons, the close box, Escape, a stored change) ends here.
void frmPass::done(int result)
{
    Form_Unload();
    QDialog::done(result);
}

void frmPass::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    // The typed passwords do not outlive the window's use.
    for (QLineEdit *box : {Oldpassword, newpassword, newpasswordagain}) {
        const QSignalBlocker quiet(box);
        box->clear();
    }
    Logger::WriteOperation(QStringLiteral("退出[") + m_caption + QStringLiteral("]"), m_operationId);
}
