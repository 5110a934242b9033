#pragma once
// Test helpers shared by every test executable: a UI service that answers
// message boxes the way a person would and records what was shown.
#include "platform/uiservice.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QProcess;
class Session;

namespace testsupport {

// The open session, opened when there is none (a log-out closes it).
Session &session();
// A new session over a configuration as after a login: configuration, database
// (connected), operator, system services, the operator logged in with the
// password. False when a step fails (the session stays open for the log-out).
bool openSession(const QString &configPath, const QString &op = QStringLiteral("admin"), const QString &password = QString());

struct ShownBox {
    QString text;
    int style = 0;
    QString title;
    int icon() const { return style & 0x70; }
    int buttons() const { return style & 7; }
};

struct PresentedMessage {
    int level = 0;
    QString source;
    QString text;
};

class RecordingUi : public ui::IUiService
{
public:
    RecordingUi();
    ~RecordingUi() override;

    int messageBox(const QString &text, int style, const QString &title) override;
    void doEvents() override;
    void presentMessage(int level, const QString &source, const QString &text) override;

    // Answers given to the next message boxes, in order; OK (or Yes) when none is queued.
    QList<int> answers;
    // Runs once while the next box is up, before it is answered (what the program does meanwhile).
    std::function<void()> whileShown;
    QList<ShownBox> boxes;
    QList<PresentedMessage> messages;

    QStringList messageTexts(int level = 0) const;
    void clear();
};

// A real user without root's rights, for what an operator meets on an
// installation that belongs to root. Run as root, the user "zenlo-operator" is
// made with useradd (once) and programs run through runuser; run as an
// ordinary user, programs run as that user.
namespace ordinaryUser {
// Whether programs can run as such a user; when not, why.
bool available(QString *why);
QString name();
// Lets the user into a folder made by the test (QTemporaryDir makes them owner-only).
bool allowTraverse(const QString &folder);
// Gives a folder (and what is in it) to the user: its own home, for example.
bool giveFolder(const QString &folder);
struct Result {
    int exitCode = -1; // -1: did not finish
    QString out;
    QString err;
};
// Runs the program as the user with exactly this environment.
Result run(const QString &program, const QStringList &arguments, const QStringList &environment, int timeoutMs = 120000);
} // namespace ordinaryUser

// What a program run by a test did: its exit code (-1 when it crashed or did
// not end in time, then killed) and what it printed.
struct ProgramRun {
    int code = -1;
    QString out;
    QString err;
};
// Starts program with args in p (its environment and folder already set) and waits.
ProgramRun runProgram(QProcess &p, const QString &program, const QStringList &args, int timeoutMs = 60000);

// Reads a whole file as bytes; empty when it cannot be read.
QByteArray readFile(const QString &path);
bool writeFile(const QString &path, const QByteArray &bytes);

} // namespace testsupport
