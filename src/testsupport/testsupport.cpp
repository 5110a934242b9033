#include "core/session.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QFile>

namespace testsupport {

Session &session()
{
    if (Session *s = Session::current())
        return *s;
    return Session::open();
}

RecordingUi::RecordingUi() { ui::install(this); }
RecordingUi::~RecordingUi() { ui::install(nullptr); }

int RecordingUi::messageBox(const QString &text, int style, const QString &title)
{
    boxes.append({text, style, title});
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
