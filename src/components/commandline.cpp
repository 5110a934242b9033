#include "components/commandline.h"

namespace {

bool isNameChar(QChar c, bool first)
{
    if (c.isLetter() || c == QLatin1Char('_'))
        return true;
    return !first && (c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('-'));
}

// Recognises an option token; name and an inline value (after ':' or '=').
bool parseOptionToken(const QString &tok, QString *name, QString *value, bool *hasValue, bool *dash)
{
    qsizetype i = 0;
    if (tok.startsWith(QLatin1String("--")))
        i = 2;
    else if (tok.startsWith(QLatin1Char('-')) || tok.startsWith(QLatin1Char('/')))
        i = 1;
    else
        return false;
    *dash = tok.at(0) == QLatin1Char('-');
    const qsizetype start = i;
    while (i < tok.size() && isNameChar(tok.at(i), i == start))
        ++i;
    if (i == start)
        return false;
    *name = tok.mid(start, i - start);
    if (i == tok.size()) {
        *hasValue = false;
        value->clear();
        return true;
    }
    const QChar sep = tok.at(i);
    // "--name=value" and "/name:value" / "/name=value"; "-name:value" as well.
    if (sep == QLatin1Char(':') || sep == QLatin1Char('=')) {
        *hasValue = true;
        *value = tok.mid(i + 1);
        return true;
    }
    // Anything else (a second '/', a blank) means this is not an option but a value such as a path.
    return false;
}

} // namespace

QStringList CommandLine::split(const QString &line)
{
    QStringList out;
    QString cur;
    bool inQuotes = false;
    bool any = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('"')) {
            if (inQuotes && i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"')) {
                cur += QLatin1Char('"');
                ++i;
            } else {
                inQuotes = !inQuotes;
            }
            any = true;
        } else if (!inQuotes && (c == QLatin1Char(' ') || c == QLatin1Char('\t'))) {
            if (any)
                out << cur;
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (any)
        out << cur;
    return out;
}

void CommandLine::parse(const QString &commandLine)
{
    parseArguments(split(commandLine));
}

void CommandLine::parseArguments(const QStringList &args)
{
    m_options.clear();
    m_positional.clear();
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &tok = args.at(i);
        QString name, value;
        bool hasValue = false, dash = false;
        if (!parseOptionToken(tok, &name, &value, &hasValue, &dash)) {
            m_positional << tok;
            continue;
        }
        if (!hasValue && dash && i + 1 < args.size()) {
            // "-name value": the next argument is the value unless it is an option itself.
            QString n2, v2;
            bool h2 = false, d2 = false;
            if (!parseOptionToken(args.at(i + 1), &n2, &v2, &h2, &d2)) {
                value = args.at(i + 1);
                ++i;
            }
        }
        m_options.append({name, value});
    }
}

CommandLine::Option CommandLine::option(const QString &name) const
{
    const Qt::CaseSensitivity cs = m_ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
    for (const Entry &e : m_options)
        if (e.name.compare(name, cs) == 0)
            return {true, e.value};
    return {};
}
