#include "workspace/pinyininitials.h"

// From the generated pinyintable.cpp.
extern const char zenloPinyinInitials[];
extern const unsigned zenloPinyinInitialsSize;
extern const unsigned zenloPinyinMoreSize;
extern const unsigned zenloPinyinMoreOffsets[];
extern const unsigned zenloPinyinMoreMasks[];

#include <algorithm>

namespace pinyin {

namespace {

// The blocks of the generated table, in its order (keep in step with pinyingen).
constexpr char32_t kExtAFirst = 0x3400, kExtALast = 0x4DBF;
constexpr char32_t kUnifiedFirst = 0x4E00, kUnifiedLast = 0x9FFF;
constexpr unsigned kExtASize = kExtALast - kExtAFirst + 1;

// The table offset of an ideograph, -1 outside the table.
long offsetOf(char32_t cp)
{
    unsigned offset = 0;
    if (cp >= kExtAFirst && cp <= kExtALast)
        offset = cp - kExtAFirst;
    else if (cp >= kUnifiedFirst && cp <= kUnifiedLast)
        offset = kExtASize + (cp - kUnifiedFirst);
    else
        return -1;
    return offset < zenloPinyinInitialsSize ? long(offset) : -1;
}

char firstLetter(long offset)
{
    const char c = offset >= 0 ? zenloPinyinInitials[offset] : 0;
    return c >= 'a' && c <= 'z' ? c : 0;
}

// Every letter of an ideograph's readings; 0 when it has none.
quint64 letterMask(long offset)
{
    if (offset < 0)
        return 0;
    const unsigned *end = zenloPinyinMoreOffsets + zenloPinyinMoreSize;
    const unsigned *it = std::lower_bound(zenloPinyinMoreOffsets, end, unsigned(offset));
    if (it != end && *it == unsigned(offset))
        return zenloPinyinMoreMasks[it - zenloPinyinMoreOffsets];
    const char c = firstLetter(offset);
    return c ? quint64(1) << (c - 'a') : 0;
}

quint64 typedBit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 'a' && u <= 'z')
        return quint64(1) << (u - 'a');
    if (u >= 'A' && u <= 'Z')
        return quint64(1) << (u - 'A');
    if (u >= '0' && u <= '9')
        return quint64(1) << (26 + (u - '0'));
    return 0;
}

// Each letter of the initials with its first letter and every letter it may be typed as.
template<typename F>
void forEachLetter(QStringView text, F f)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i; // outside the table (extension B and beyond, emoji)
            continue;
        }
        const char16_t u = c.unicode();
        if (u < 0x80) {
            if (const quint64 bit = typedBit(c))
                f(QChar(u >= 'A' && u <= 'Z' ? u + 32 : u), bit);
            continue;
        }
        const long offset = offsetOf(u);
        if (const char l = firstLetter(offset))
            f(QChar(QLatin1Char(l)), letterMask(offset));
    }
}

} // namespace

char initial(char32_t cp)
{
    return firstLetter(offsetOf(cp));
}

QString initials(QStringView text)
{
    QString out;
    out.reserve(text.size());
    forEachLetter(text, [&](QChar first, quint64) { out += first; });
    return out;
}

InitialSets initialSets(QStringView text)
{
    InitialSets out;
    out.reserve(text.size());
    forEachLetter(text, [&](QChar, quint64 mask) { out << mask; });
    return out;
}

qsizetype findInitials(const InitialSets &sets, QStringView typed)
{
    if (typed.isEmpty() || typed.size() > sets.size())
        return -1;
    QList<quint64> bits;
    bits.reserve(typed.size());
    for (const QChar c : typed) {
        const quint64 b = typedBit(c);
        if (!b)
            return -1;
        bits << b;
    }
    for (qsizetype at = 0; at + bits.size() <= sets.size(); ++at) {
        qsizetype k = 0;
        while (k < bits.size() && (sets[at + k] & bits[k]))
            ++k;
        if (k == bits.size())
            return at;
    }
    return -1;
}

bool containsInitials(QStringView text, QStringView typed)
{
    return findInitials(initialSets(text), typed) >= 0;
}

QStringList initialsSpellings(QStringView text, int limit)
{
    QStringList out{QString()};
    forEachLetter(text, [&](QChar first, quint64 mask) {
        QStringList next;
        for (const QString &s : std::as_const(out))
            next << s + first;
        for (int b = 0; b < 26; ++b)
            if ((mask >> b) & 1 && QChar(QLatin1Char(char('a' + b))) != first)
                for (const QString &s : std::as_const(out))
                    if (next.size() < limit)
                        next << s + QLatin1Char(char('a' + b));
        out = next.mid(0, limit);
    });
    return out;
}

int tableReadings()
{
    int n = 0;
    for (unsigned i = 0; i < zenloPinyinInitialsSize; ++i)
        n += zenloPinyinInitials[i] >= 'a' && zenloPinyinInitials[i] <= 'z' ? 1 : 0;
    return n;
}

} // namespace pinyin
