#include "platform/ansi.h"

#include <QMutex>
#include <QMutexLocker>

#include <cerrno>
#include <iconv.h>

namespace {

struct Converter {
    QMutex mutex;
    int codePage = 936;
    iconv_t toWide = reinterpret_cast<iconv_t>(-1);
    iconv_t fromWide = reinterpret_cast<iconv_t>(-1);

    static QByteArray iconvName(int cp) { return "CP" + QByteArray::number(cp); }

    bool open(int cp)
    {
        const QByteArray name = iconvName(cp);
        iconv_t to = iconv_open("UTF-16LE", name.constData());
        if (to == reinterpret_cast<iconv_t>(-1))
            return false;
        iconv_t from = iconv_open(name.constData(), "UTF-16LE");
        if (from == reinterpret_cast<iconv_t>(-1)) {
            iconv_close(to);
            return false;
        }
        close();
        toWide = to;
        fromWide = from;
        codePage = cp;
        return true;
    }
    void close()
    {
        if (toWide != reinterpret_cast<iconv_t>(-1))
            iconv_close(toWide);
        if (fromWide != reinterpret_cast<iconv_t>(-1))
            iconv_close(fromWide);
        toWide = fromWide = reinterpret_cast<iconv_t>(-1);
    }
    void ensure()
    {
        if (toWide == reinterpret_cast<iconv_t>(-1))
            open(codePage);
    }
};

Converter &converter()
{
    static Converter c;
    return c;
}

// The Windows ANSI code pages (and UTF-8), whose bytes below 0x80 are ASCII: text that is
// ASCII only needs no converter there (nor the converter's modules loaded for it).
bool asciiCompatible(int cp)
{
    switch (cp) {
    case 874: case 932: case 936: case 949: case 950:
    case 1250: case 1251: case 1252: case 1253: case 1254: case 1255: case 1256: case 1257: case 1258:
    case 65001:
        return true;
    default:
        return false;
    }
}

bool isAscii(const char *data, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        if (uchar(data[i]) >= 0x80)
            return false;
    }
    return true;
}

bool isAscii(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

} // namespace

namespace ansi {

int codePage()
{
    Converter &c = converter();
    QMutexLocker lock(&c.mutex);
    return c.codePage;
}

bool setCodePage(int cp)
{
    Converter &c = converter();
    QMutexLocker lock(&c.mutex);
    return c.open(cp);
}

QByteArray fromUnicode(const QString &text, bool *ok)
{
    if (ok)
        *ok = true;
    if (text.isEmpty())
        return {};
    Converter &c = converter();
    QMutexLocker lock(&c.mutex);
    if (asciiCompatible(c.codePage) && isAscii(text))
        return text.toLatin1();
    c.ensure();
    QByteArray out;
    out.resize(text.size() * 2 + 8);
    char *in = reinterpret_cast<char *>(const_cast<QChar *>(text.constData()));
    size_t inLeft = size_t(text.size()) * 2;
    char *dst = out.data();
    size_t outLeft = size_t(out.size());
    iconv(c.fromWide, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        size_t r = iconv(c.fromWide, &in, &inLeft, &dst, &outLeft);
        if (r != size_t(-1))
            break;
        if (errno == E2BIG) {
            const qsizetype used = dst - out.data();
            out.resize(out.size() * 2);
            dst = out.data() + used;
            outLeft = size_t(out.size() - used);
            continue;
        }
        // EILSEQ / EINVAL: a character without a form in this code page.
        if (ok)
            *ok = false;
        if (outLeft < 1) {
            const qsizetype used = dst - out.data();
            out.resize(out.size() * 2);
            dst = out.data() + used;
            outLeft = size_t(out.size() - used);
        }
        *dst++ = '?';
        --outLeft;
        // Skip one UTF-16 unit, or a whole surrogate pair.
        const char16_t unit = char16_t(uchar(in[0]) | (uchar(in[1]) << 8));
        size_t skip = (unit >= 0xD800 && unit <= 0xDBFF && inLeft >= 4) ? 4 : 2;
        skip = qMin(skip, inLeft);
        in += skip;
        inLeft -= skip;
    }
    out.resize(dst - out.data());
    return out;
}

QString toUnicode(const char *data, qsizetype size)
{
    if (size <= 0)
        return {};
    Converter &c = converter();
    QMutexLocker lock(&c.mutex);
    if (asciiCompatible(c.codePage) && isAscii(data, size))
        return QString::fromLatin1(data, size);
    c.ensure();
    QString out;
    out.resize(size + 4);
    char *in = const_cast<char *>(data);
    size_t inLeft = size_t(size);
    char *dst = reinterpret_cast<char *>(out.data());
    size_t outLeft = size_t(out.size()) * 2;
    iconv(c.toWide, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        size_t r = iconv(c.toWide, &in, &inLeft, &dst, &outLeft);
        if (r != size_t(-1))
            break;
        if (errno == E2BIG) {
            const qsizetype used = (dst - reinterpret_cast<char *>(out.data()));
            out.resize(out.size() * 2);
            dst = reinterpret_cast<char *>(out.data()) + used;
            outLeft = size_t(out.size()) * 2 - size_t(used);
            continue;
        }
        // An invalid or truncated sequence: one replacement character per bad byte.
        if (outLeft < 2) {
            const qsizetype used = (dst - reinterpret_cast<char *>(out.data()));
            out.resize(out.size() * 2);
            dst = reinterpret_cast<char *>(out.data()) + used;
            outLeft = size_t(out.size()) * 2 - size_t(used);
        }
        const char16_t repl = 0xFFFD;
        dst[0] = char(repl & 0xFF);
        dst[1] = char(repl >> 8);
        dst += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
    }
    out.resize((dst - reinterpret_cast<char *>(out.data())) / 2);
    return out;
}

QString toUnicode(const QByteArray &bytes)
{
    return toUnicode(bytes.constData(), bytes.size());
}

} // namespace ansi
