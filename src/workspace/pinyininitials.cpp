#include "workspace/pinyininitials.h"

// From the generated pinyintable.cpp.
extern const char zenloPinyinInitials[];
extern const unsigned zenloPinyinInitialsSize;

namespace pinyin {

namespace {

// The blocks of the generated table, in its order (keep in step with pinyingen).
constexpr char32_t kExtAFirst = 0x3400, kExtALast = 0x4DBF;
constexpr char32_t kUnifiedFirst = 0x4E00, kUnifiedLast = 0x9FFF;
constexpr unsigned kExtASize = kExtALast - kExtAFirst + 1;

} // namespace

char initial(char32_t cp)
{
    unsigned offset = 0;
    if (cp >= kExtAFirst && cp <= kExtALast)
        offset = cp - kExtAFirst;
    else if (cp >= kUnifiedFirst && cp <= kUnifiedLast)
        offset = kExtASize + (cp - kUnifiedFirst);
    else
        return 0;
    if (offset >= zenloPinyinInitialsSize)
        return 0;
    const char c = zenloPinyinInitials[offset];
    return c >= 'a' && c <= 'z' ? c : 0;
}

QString initials(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i; // outside the table (extension B and beyond, emoji)
            continue;
        }
        const char16_t u = c.unicode();
        if (u < 0x80) {
            if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9'))
                out += c;
            else if (u >= 'A' && u <= 'Z')
                out += QChar(u + 32);
            continue;
        }
        if (const char l = initial(u))
            out += QLatin1Char(l);
    }
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
