#include "components/textencoder.h"

static bool xmlAllowed(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

QString TextEncoder::Encode(const QString &text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
            continue;
        }
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); continue;
        case '<': out += QLatin1String("&lt;"); continue;
        case '>': out += QLatin1String("&gt;"); continue;
        case '"': out += QLatin1String("&quot;"); continue;
        case '\'': out += QLatin1String("&apos;"); continue;
        case '\\': out += QLatin1String("\\\\"); continue;
        default: break;
        }
        if (c.isSurrogate() || !xmlAllowed(c.unicode()) || c == QLatin1Char('\r') || c == QLatin1Char('\n')
            || c == QLatin1Char('\t')) {
            // Records are one line: line ends and tabs are written as escapes too.
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            continue;
        }
        out += c;
    }
    return out;
}

QString TextEncoder::DecodeEscapes(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            if (text.at(i + 1) == QLatin1Char('\\')) {
                out += QLatin1Char('\\');
                ++i;
                continue;
            }
            if (text.at(i + 1) == QLatin1Char('u') && i + 5 < text.size()) {
                bool ok = false;
                const ushort u = text.mid(i + 2, 4).toUShort(&ok, 16);
                if (ok) {
                    out += QChar(u);
                    i += 5;
                    continue;
                }
            }
        }
        out += c;
    }
    return out;
}
