#include "util/b64.h"

#include "platform/ansi.h"

#include <QDir>
#include <QSaveFile>
#include <QtEndian>

#include <array>
#include <cstdint>
#include <cstring>

namespace {

constexpr uint8_t kPad = 64;
constexpr uint8_t kInvalid = 255;
// Character codes 0..233 have an entry; a higher code ends decoding.
constexpr int kTableSize = 234;

constexpr std::array<uint8_t, kTableSize> makeTable()
{
    std::array<uint8_t, kTableSize> t{};
    for (auto &v : t)
        v = kInvalid;
    for (int i = 0; i < 26; ++i) {
        t[size_t('A' + i)] = uint8_t(i);
        t[size_t('a' + i)] = uint8_t(26 + i);
    }
    for (int i = 0; i < 10; ++i)
        t[size_t('0' + i)] = uint8_t(52 + i);
    t[size_t('+')] = 62;
    t[size_t('/')] = 63;
    t[size_t('=')] = kPad;
    return t;
}

// Built at compile time: no first-use race between threads.
constexpr std::array<uint8_t, kTableSize> kTable = makeTable();

// The fast path decodes a whole group with four look-ups and one test: each
// table holds a character's bits already shifted to their place in the three
// output bytes (first byte lowest), and kSlow for anything that is not one of
// the 64 alphabet characters (pad, out-of-alphabet, codes above 233).
constexpr uint32_t kSlow = 0x01000000u;

constexpr std::array<uint32_t, 256> makeFastTable(int position)
{
    std::array<uint32_t, 256> t{};
    for (int ch = 0; ch < 256; ++ch) {
        const uint32_t v = ch < kTableSize ? kTable[size_t(ch)] : kInvalid;
        if (v >= 64) {
            t[size_t(ch)] = kSlow;
            continue;
        }
        switch (position) {
        case 0: t[size_t(ch)] = v << 2; break;
        case 1: t[size_t(ch)] = (v >> 4) | ((v & 0x0F) << 12); break;
        case 2: t[size_t(ch)] = ((v >> 2) << 8) | ((v & 0x03) << 22); break;
        default: t[size_t(ch)] = v << 16; break;
        }
    }
    return t;
}

constexpr std::array<uint32_t, 256> kFast0 = makeFastTable(0);
constexpr std::array<uint32_t, 256> kFast1 = makeFastTable(1);
constexpr std::array<uint32_t, 256> kFast2 = makeFastTable(2);
constexpr std::array<uint32_t, 256> kFast3 = makeFastTable(3);

inline uint32_t fastGroup(const uchar *in)
{
    return kFast0[in[0]] | kFast1[in[1]] | kFast2[in[2]] | kFast3[in[3]];
}

// One group by the full rules. The parts of a byte are merged with "or": for
// alphabet characters they never overlap, and an out-of-alphabet value (255)
// thus saturates its bits instead of carrying into a neighbour. The only value
// that cannot fit a byte is the first byte of a group with pad characters when
// its first character is itself "=" or out of the alphabet; that ends decoding
// like a code above 233. Returns false when decoding ends with this group.
bool slowGroup(const uchar *in, uchar *out, qsizetype &o, qsizetype size)
{
    for (int i = 0; i < 4; ++i)
        if (in[i] >= kTableSize)
            return false;
    const uint32_t a = kTable[in[0]];
    const uint32_t b = kTable[in[1]];
    const uint32_t c = kTable[in[2]];
    const uint32_t d = kTable[in[3]];
    auto put = [&](uint32_t v) {
        // The output size follows the last group's padding, so every write fits;
        // the test keeps a malformed input from ever proving otherwise.
        if (o < size)
            out[o++] = uchar(v);
    };
    if (c == kPad || d == kPad) {
        const uint32_t first = (a << 2) | ((b >> 4) & 0x03);
        if (first > 0xFF)
            return false;
        put(first);
        if (c != kPad)
            put(((b << 4) & 0xFF) | (c >> 2));
        return false;
    }
    put(((a << 2) & 0xFF) | ((b >> 4) & 0x03));
    put(((b << 4) & 0xFF) | ((c >> 2) & 0x0F));
    put(((c << 6) & 0xFF) | d);
    return true;
}

// Decodes data as if it were followed by "=" up to a multiple of 4.
void decode(const uchar *data, qsizetype n, QByteArray &out)
{
    if (n <= 0) {
        // No group, no pad count: nothing to decode.
        out.clear();
        return;
    }
    const qsizetype groups = (n + 3) / 4;
    const qsizetype padded = groups * 4;
    auto at = [&](qsizetype i) { return i < n ? data[i] : uchar('='); };
    const int padCount = at(padded - 2) == '=' ? 2 : at(padded - 1) == '=' ? 1 : 0;
    const qsizetype size = 3 * groups - padCount;

    out.resize(size);
    uchar *dst = reinterpret_cast<uchar *>(out.data());
    qsizetype o = 0;
    bool going = true;

    // Every group but the last has at least four bytes of room (the last group
    // writes no more than three), so the fast path may store a whole word.
    const qsizetype fastGroups = groups - 1;
    const uchar *in = data;
    for (qsizetype g = 0; g < fastGroups; ++g, in += 4) {
        const uint32_t v = fastGroup(in);
        if (Q_LIKELY(!(v & kSlow))) {
            const uint32_t le = qToLittleEndian(v);
            std::memcpy(dst + o, &le, 4);
            o += 3;
            continue;
        }
        if (!slowGroup(in, dst, o, size)) {
            going = false;
            break;
        }
    }
    if (going) {
        uchar last[4];
        for (int i = 0; i < 4; ++i)
            last[i] = at(fastGroups * 4 + i);
        slowGroup(last, dst, o, size);
    }
    if (o < size)
        std::memset(dst + o, 0, size_t(size - o));
}

} // namespace

namespace b64 {

QString DecodeMimeWord(const QString &text)
{
    if (text.isEmpty())
        return QString();
    static const QString prefix = QStringLiteral("=?gb2312?B?");
    if (!text.startsWith(prefix, Qt::CaseSensitive))
        return text;
    if (text.size() < prefix.size() + 2)
        return QString();
    return DecodeText(text.mid(prefix.size(), text.size() - prefix.size() - 2));
}

QString DecodeText(const QString &text)
{
    if (text.isEmpty())
        return QString();
    QByteArray bytes = StripLineBreaks(ansi::fromUnicode(text));
    QByteArray out;
    DecodeBytes(bytes, out);
    return ansi::toUnicode(out);
}

bool DecodeToFile(const QString &fileName, const QString &text, QString *error)
{
    if (error)
        error->clear();
    if (text.isEmpty())
        return false;
    QByteArray bytes = StripLineBreaks(ansi::fromUnicode(text));
    QByteArray out;
    DecodeBytes(bytes, out);

    // QSaveFile writes a temporary file in the same folder and renames it over
    // the target on commit, so a reader never sees half an image.
    QSaveFile file(fileName);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(out) == out.size() && file.commit();
    if (!written) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(fileName), file.errorString());
        // Without a commit the temporary file is removed and the target left alone.
        return false;
    }
    return true;
}

void DecodeBytes(QByteArray &bytes, QByteArray &out)
{
    if (const qsizetype rest = bytes.size() % 4)
        bytes.append(4 - rest, '=');
    decode(reinterpret_cast<const uchar *>(bytes.constData()), bytes.size(), out);
}

QByteArray DecodeBytes(QByteArrayView bytes)
{
    QByteArray out;
    decode(reinterpret_cast<const uchar *>(bytes.data()), bytes.size(), out);
    return out;
}

QByteArray StripLineBreaks(QByteArrayView bytes)
{
    constexpr qsizetype line = 72;
    const qsizetype n = bytes.size();
    QByteArray out;
    out.resize(n - n / (line + 1));
    char *dst = out.data();
    for (qsizetype i = 0; i < n; i += line + 1) {
        const qsizetype take = qMin(line, n - i);
        std::memcpy(dst, bytes.data() + i, size_t(take));
        dst += take;
    }
    return out;
}

} // namespace b64
