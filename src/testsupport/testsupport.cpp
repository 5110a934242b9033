#include "components/database.h"
#include "components/sysservices.h"
#include "core/clsconfig.h"
#include "core/session.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QProcess>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

Session &session()
{
    if (Session *s = Session::current())
        return *s;
    return Session::open();
}

bool openSession(const QString &configPath, const QString &op, const QString &password)
{
    Session &s = Session::open();
    s.config = std::make_unique<clsConfig>();
    s.db = std::make_unique<Database>();
    s.op = std::make_unique<Operator>();
    s.sys = std::make_unique<SystemServices>();
    if (!s.config->Init(configPath) || !s.db->Init(configPath, true) || !s.db->Connect()
        || !s.sys->Init(s.db.get(), s.op.get(), 0))
        return false;
    s.op->setName(op);
    if (!s.op->VerifyPassword(password))
        return false;
    s.sys->environment()->setOperatorName(op);
    return true;
}

RecordingUi::RecordingUi() { ui::install(this); }
RecordingUi::~RecordingUi() { ui::install(nullptr); }

int RecordingUi::messageBox(const QString &text, int style, const QString &title)
{
    boxes.append({text, style, title});
    if (whileShown)
        std::exchange(whileShown, nullptr)();
    if (!answers.isEmpty())
        return answers.takeFirst();
    return (style & 7) == ui::YesNo ? ui::Yes : ui::Ok;
}

void RecordingUi::doEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void RecordingUi::presentMessage(int level, const QString &source, const QString &text)
{
    messages.append({level, source, text});
}

QStringList RecordingUi::messageTexts(int level) const
{
    QStringList out;
    for (const auto &m : messages)
        if (level == 0 || m.level == level)
            out << m.text;
    return out;
}

void RecordingUi::clear()
{
    boxes.clear();
    messages.clear();
    answers.clear();
}

ProgramRun runProgram(QProcess &p, const QString &program, const QStringList &args, int timeoutMs)
{
    p.start(program, args);
    ProgramRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

} // namespace testsupport

namespace testsupport::ordinaryUser {

namespace {
const char kName[] = "zenlo-operator";
bool isRoot() { return ::geteuid() == 0; }
} // namespace

QString name()
{
    if (!isRoot()) {
        const passwd *pw = ::getpwuid(::geteuid());
        return pw ? QString::fromLocal8Bit(pw->pw_name) : QString();
    }
    return QString::fromLatin1(kName);
}

bool available(QString *why)
{
    if (!isRoot())
        return true;
    if (::getpwnam(kName))
        return true;
    QProcess p;
    p.start(QStringLiteral("useradd"), {QStringLiteral("--system"), QStringLiteral("--no-create-home"), QStringLiteral("--shell"),
                                        QStringLiteral("/usr/sbin/nologin"), QString::fromLatin1(kName)});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        // Another test may have made it meanwhile.
        if (::getpwnam(kName))
            return true;
        if (why)
            *why = QStringLiteral("useradd %1 failed: %2").arg(QString::fromLatin1(kName), QString::fromLocal8Bit(p.readAllStandardError()));
        return false;
    }
    return ::getpwnam(kName) != nullptr;
}

bool allowTraverse(const QString &folder)
{
    QFile::Permissions p = QFile::permissions(folder);
    return QFile::setPermissions(folder, p | QFileDevice::ExeOther | QFileDevice::ReadOther | QFileDevice::ExeGroup
                                             | QFileDevice::ReadGroup);
}

bool giveFolder(const QString &folder)
{
    const passwd *pw = ::getpwnam(name().toLocal8Bit().constData());
    if (!pw)
        return false;
    bool ok = ::chown(QFile::encodeName(folder).constData(), pw->pw_uid, pw->pw_gid) == 0;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        ok = ::lchown(QFile::encodeName(it.next()).constData(), pw->pw_uid, pw->pw_gid) == 0 && ok;
    return ok;
}

Result run(const QString &program, const QStringList &arguments, const QStringList &environment, int timeoutMs)
{
    QProcess p;
    QStringList args = QStringList{QStringLiteral("-i")} + environment + QStringList{program} + arguments;
    if (isRoot())
        p.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), name(), QStringLiteral("--"), QStringLiteral("/usr/bin/env")} + args);
    else
        p.start(QStringLiteral("/usr/bin/env"), args);
    Result r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("did not finish within %1 ms").arg(timeoutMs);
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace testsupport::ordinaryUser
