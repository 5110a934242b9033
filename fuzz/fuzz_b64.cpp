// Base64 and MIME encoded words from process-map files: any bytes must decode
// without a crash, to the size the padding rule gives, and valid Base64 must
// decode as Qt's strict reader does.
#include "platform/ansi.h"
#include "util/b64.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

bool isAlphabet(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

// Base64 text that any decoder reads alike: alphabet characters, then at most
// two "=" that complete the last group, or no "=" and a length that does not
// leave a single character in the last group.
bool isValidBase64(const QByteArray &b)
{
    qsizetype end = b.size();
    int pads = 0;
    while (end > 0 && b.at(end - 1) == '=' && pads < 2) {
        --end;
        ++pads;
    }
    for (qsizetype i = 0; i < end; ++i)
        if (!isAlphabet(b.at(i)))
            return false;
    if (pads > 0)
        return b.size() % 4 == 0 && end % 4 != 1 && (end % 4) + pads == 4;
    return end % 4 != 1;
}

void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    const QByteArray decoded = b64::DecodeBytes(QByteArrayView(input));
    const qsizetype groups = (input.size() + 3) / 4;
    check(decoded.size() <= 3 * groups && decoded.size() >= 3 * groups - 2);
    check(input.isEmpty() == decoded.isEmpty());

    QByteArray padded = input;
    QByteArray out;
    b64::DecodeBytes(padded, out);
    check(out == decoded);
    check(padded.size() == groups * 4);

    check(b64::StripLineBreaks(input).size() == input.size() - input.size() / 73);

    if (isValidBase64(input))
        check(decoded == QByteArray::fromBase64(input));

    const QString text = ansi::toUnicode(input);
    b64::DecodeMimeWord(text);
    b64::DecodeMimeWord(QStringLiteral("=?gb2312?B?") + text + QStringLiteral("?="));
    b64::DecodeText(QString::fromLatin1(input));
    return 0;
}
