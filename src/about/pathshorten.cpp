#include "about/pathshorten.h"

#include <QStringList>

#include <algorithm>

namespace about {

static QString reversed(QString s)
{
    std::reverse(s.begin(), s.end());
    return s;
}

std::optional<QString> ShortenPath(const QString &text, double width, const TextWidth &textWidth)
{
    if (!textWidth)
        return std::nullopt;

    QStringList parts = text.split(QLatin1Char('\\'));
    const int last = int(parts.size()) - 1;
    // The final part is kept reversed while it is being shortened, so that the
    // same "cut the end" step removes its beginning.
    bool finalReversed = false;
    auto shown = [&] {
        if (!finalReversed)
            return parts.join(QLatin1Char('\\'));
        QStringList p = parts;
        p[last] = reversed(p[last]);
        return p.join(QLatin1Char('\\'));
    };
    auto startOnFinalPart = [&] {
        if (!finalReversed) {
            parts[last] = reversed(parts[last]);
            finalReversed = true;
        }
        return last;
    };

    int index = last - 1;
    // Every pass shortens a part by one character or turns its end into "..",
    // so this bound is never reached; it only guards against a bad measure.
    const qsizetype maxPasses = 2 * text.size() + parts.size() + 4;
    for (qsizetype pass = 0; pass <= maxPasses; ++pass) {
        const QString candidate = shown();
        if (textWidth(candidate) <= width)
            return candidate;
        if (last == 0)
            return std::nullopt; // the first part is never shortened
        // The first part is never the working part: with a single "\" the
        // final part is the only one that can give way.
        if (index < 1)
            index = startOnFinalPart();

        QString &part = parts[index];
        const qsizetype len = part.size();
        if (!part.endsWith(QLatin1Char('.'))) {
            if (len < 2)
                return std::nullopt;
            part = part.left(len - 2) + QStringLiteral("..");
        } else {
            if (len < 3)
                return std::nullopt;
            part = part.left(len - 3) + QStringLiteral("..");
        }

        if (part.startsWith(QLatin1Char('.'))) {
            if (index == 1)
                index = startOnFinalPart();
            else
                --index;
        }
    }
    return std::nullopt;
}

} // namespace about
