#include "components/xmldocument.h"

#include "platform/ansi.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QStringDecoder>

#include <pugixml.hpp>

#include <cerrno>
#include <iconv.h>

namespace {

// Offset of the first byte that does not belong to a well-formed UTF-8
// sequence (overlong forms, surrogates and values past U+10FFFF included), or -1.
qsizetype invalidUtf8At(const QByteArray &bytes, qsizetype from)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = from;
    while (i < n) {
        const uchar c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int len = 0;
        uint cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return i;
        }
        if (i + len > n)
            return i;
        for (int k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return i;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
            return i;
        i += len;
    }
    return -1;
}

enum class Conversion { Done, UnknownEncoding, InvalidBytes };

// The bytes in an encoding iconv knows, strictly: a byte sequence that is not
// valid there is reported with its offset instead of being replaced.
Conversion convert(const QByteArray &bytes, qsizetype from, const QByteArray &iconvName, QString *out, qsizetype *badAt)
{
    iconv_t cd = iconv_open("UTF-16LE", iconvName.constData());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return Conversion::UnknownEncoding;
    QString text;
    text.resize(bytes.size() - from + 16);
    char *in = const_cast<char *>(bytes.constData()) + from;
    size_t inLeft = size_t(bytes.size() - from);
    char *dst = reinterpret_cast<char *>(text.data());
    size_t outLeft = size_t(text.size()) * 2;
    Conversion result = Conversion::Done;
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &dst, &outLeft) != size_t(-1))
            break;
        if (errno == E2BIG) {
            const qsizetype used = dst - reinterpret_cast<char *>(text.data());
            text.resize(text.size() * 2);
            dst = reinterpret_cast<char *>(text.data()) + used;
            outLeft = size_t(text.size()) * 2 - size_t(used);
            continue;
        }
        *badAt = in - bytes.constData();
        result = Conversion::InvalidBytes;
        break;
    }
    iconv_close(cd);
    if (result == Conversion::Done) {
        text.resize((dst - reinterpret_cast<char *>(text.data())) / 2);
        *out = text;
    }
    return result;
}

// The encoding named by the XML declaration at the start of the bytes, or "".
QByteArray declaredEncoding(const QByteArray &bytes, qsizetype from)
{
    qsizetype i = from;
    while (i < bytes.size() && (bytes.at(i) == ' ' || bytes.at(i) == '\t' || bytes.at(i) == '\r' || bytes.at(i) == '\n'))
        ++i;
    if (bytes.mid(i, 5) != "<?xml")
        return {};
    const qsizetype end = bytes.indexOf("?>", i);
    if (end < 0)
        return {};
    // The first  encoding = "name"  (or 'name') after a blank, read by hand: it is read
    // before the configuration, and a regular expression costs more to set up than the reading.
    const QByteArray declaration = bytes.mid(i, end - i);
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; };
    const auto skipBlanks = [&](qsizetype p) {
        while (p < declaration.size() && blank(declaration.at(p)))
            ++p;
        return p;
    };
    for (qsizetype k = declaration.indexOf("encoding"); k >= 0; k = declaration.indexOf("encoding", k + 1)) {
        if (k == 0 || !blank(declaration.at(k - 1)))
            continue;
        qsizetype p = skipBlanks(k + 8);
        if (p >= declaration.size() || declaration.at(p) != '=')
            continue;
        p = skipBlanks(p + 1);
        if (p >= declaration.size() || (declaration.at(p) != '"' && declaration.at(p) != '\''))
            continue;
        const char quote = declaration.at(p);
        qsizetype close = p + 1;
        while (close < declaration.size() && declaration.at(close) != '"' && declaration.at(close) != '\'')
            ++close;
        if (close < declaration.size() && declaration.at(close) == quote)
            return declaration.mid(p + 1, close - p - 1).trimmed();
    }
    return {};
}

// The converter's name for a declared encoding. The Chinese names all read as
// code page 936, as Windows reads them: files saved as "gb2312" hold GBK
// characters more often than not.
QByteArray iconvNameFor(const QByteArray &declared)
{
    const QByteArray n = declared.toLower();
    if (n == "gb2312" || n == "gbk" || n == "cp936" || n == "windows-936" || n == "ms936" || n == "x-gbk"
        || n == "euc-cn" || n == "x-euc-cn")
        return QByteArrayLiteral("CP936");
    if (n == "gb18030")
        return QByteArrayLiteral("GB18030");
    return declared;
}

QString displayName(const QByteArray &iconvName)
{
    if (iconvName == "CP936")
        return QStringLiteral("GBK");
    return QString::fromLatin1(iconvName).toUpper();
}

} // namespace

struct XmlDocument::Private {
    pugi::xml_document doc;
    bool loaded = false;
    QString error;
    QString operatorError;
    QString encoding;

    bool failed(const QString &english, const QString &chinese)
    {
        doc.reset();
        loaded = false;
        error = english;
        operatorError = chinese;
        return false;
    }

    std::optional<pugi::xpath_node> select(const QString &path) const
    {
        if (!loaded)
            return std::nullopt;
        try {
            const QByteArray q = XmlDocument::toXPath(path).toUtf8();
            pugi::xpath_query query(q.constData());
            if (!query)
                return std::nullopt;
            if (query.return_type() != pugi::xpath_type_node_set)
                return std::nullopt;
            pugi::xpath_node n = query.evaluate_node(doc);
            if (!n)
                return std::nullopt;
            return n;
        } catch (const std::exception &) {
            return std::nullopt;
        }
    }
};

XmlDocument::XmlDocument() : d(std::make_unique<Private>()) {}
XmlDocument::~XmlDocument() = default;

void XmlDocument::prepare(int &) {}

bool XmlDocument::load(const QString &path, int)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return d->failed(QStringLiteral("cannot read %1: %2").arg(path, f.errorString()),
                         QStringLiteral("无法读取文件 %1（%2）").arg(QDir::toNativeSeparators(path), f.errorString()));
    return loadDevice(&f);
}

bool XmlDocument::loadDevice(QIODevice *device)
{
    if (!device || !device->isReadable())
        return d->failed(QStringLiteral("the device cannot be read"), QStringLiteral("无法读取文件"));
    return loadData(device->readAll());
}

bool XmlDocument::decode(const QByteArray &bytes, QString *text, QString *encoding, QString *error, QString *operatorError)
{
    auto fail = [error, operatorError](const QString &why, const QString &chinese) {
        if (error)
            *error = why;
        if (operatorError)
            *operatorError = chinese;
        return false;
    };
    QString out;
    QString used;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        const qsizetype bad = invalidUtf8At(bytes, 3);
        if (bad >= 0)
            return fail(QStringLiteral("the file begins with a UTF-8 byte-order mark but holds bytes that are not UTF-8 (offset %1)").arg(bad),
                        QStringLiteral("文件以 UTF-8 标记开头，但第 %1 字节起的内容不是 UTF-8 文字").arg(bad + 1));
        out = QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
        used = QStringLiteral("UTF-8");
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool le = bytes.startsWith("\xFF\xFE");
        QStringDecoder dec(le ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        out = dec(bytes.mid(2));
        if (dec.hasError())
            return fail(QStringLiteral("the file is not valid UTF-16"), QStringLiteral("文件不是有效的 UTF-16 文字"));
        used = le ? QStringLiteral("UTF-16LE") : QStringLiteral("UTF-16BE");
    } else {
        const QByteArray declared = declaredEncoding(bytes, 0);
        const QByteArray lower = declared.toLower();
        if (lower == "utf-8" || lower == "utf8") {
            const qsizetype bad = invalidUtf8At(bytes, 0);
            if (bad >= 0)
                return fail(QStringLiteral("the file is declared \"%1\" but holds bytes that are not UTF-8 (offset %2); "
                                           "save it as UTF-8 or declare its real encoding, such as gbk")
                                .arg(QString::fromLatin1(declared))
                                .arg(bad),
                            QStringLiteral("文件声明的编码是“%1”，但第 %2 字节起的内容不是 UTF-8 文字；请把文件存为 UTF-8，或声明它真正的编码（如 gbk）")
                                .arg(QString::fromLatin1(declared))
                                .arg(bad + 1));
            out = QString::fromUtf8(bytes);
            used = QStringLiteral("UTF-8");
        } else {
            QByteArray name;
            if (!declared.isEmpty())
                name = iconvNameFor(declared);
            else if (invalidUtf8At(bytes, 0) >= 0)
                name = "CP" + QByteArray::number(ansi::codePage()); // saved by a program that writes the ANSI code page
            if (name.isEmpty()) {
                out = QString::fromUtf8(bytes);
                used = QStringLiteral("UTF-8");
            } else {
                qsizetype bad = -1;
                switch (convert(bytes, 0, name, &out, &bad)) {
                case Conversion::Done:
                    break;
                case Conversion::UnknownEncoding:
                    return fail(QStringLiteral("the file is declared in the encoding \"%1\", which this program cannot read")
                                    .arg(QString::fromLatin1(declared)),
                                QStringLiteral("文件声明的编码“%1”本程序不能读取").arg(QString::fromLatin1(declared)));
                case Conversion::InvalidBytes:
                    return fail(declared.isEmpty()
                                    ? QStringLiteral("the file declares no encoding and is neither UTF-8 nor %1 text (offset %2)")
                                          .arg(displayName(name))
                                          .arg(bad)
                                    : QStringLiteral("the file is declared \"%1\" but holds bytes that are not valid there (offset %2)")
                                          .arg(QString::fromLatin1(declared))
                                          .arg(bad),
                                declared.isEmpty()
                                    ? QStringLiteral("文件没有声明编码，内容既不是 UTF-8 也不是 %1 文字（第 %2 字节）").arg(displayName(name)).arg(bad + 1)
                                    : QStringLiteral("文件声明的编码是“%1”，但第 %2 字节起的内容不符合该编码")
                                          .arg(QString::fromLatin1(declared))
                                          .arg(bad + 1));
                }
                used = displayName(name);
            }
        }
    }
    if (text)
        *text = out;
    if (encoding)
        *encoding = used;
    return true;
}

QString XmlDocument::encoding() const { return d->encoding; }

bool XmlDocument::loadData(const QByteArray &raw)
{
    d->doc.reset();
    d->encoding.clear();
    QString text;
    QString encoding;
    QString why, chinese;
    if (!decode(raw, &text, &encoding, &why, &chinese))
        return d->failed(why, chinese);
    d->encoding = encoding;
    // The declaration may still name the original encoding; the parser is told the bytes are UTF-8 now.
    const QByteArray bytes = text.toUtf8();
    const pugi::xml_parse_result r = d->doc.load_buffer(bytes.constData(), size_t(bytes.size()),
                                                        pugi::parse_default | pugi::parse_ws_pcdata_single, pugi::encoding_utf8);
    d->loaded = bool(r);
    if (!d->loaded) {
        // Line and column of the offset, counted in characters as an editor shows them.
        const QString before = QString::fromUtf8(bytes.constData(), qsizetype(std::min<ptrdiff_t>(r.offset, bytes.size())));
        const qsizetype lineStart = before.lastIndexOf(QLatin1Char('\n')) + 1;
        return d->failed(QStringLiteral("%1 at offset %2").arg(QString::fromUtf8(r.description())).arg(r.offset),
                         QStringLiteral("文件不是格式正确的 XML：第 %1 行第 %2 列有错误")
                             .arg(before.count(QLatin1Char('\n')) + 1)
                             .arg(before.size() - lineStart + 1));
    }
    int roots = 0;
    for (pugi::xml_node c = d->doc.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element)
            ++roots;
        else if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
            roots += 2; // text outside the root element
    }
    if (roots != 1)
        return d->failed(roots == 0 ? QStringLiteral("no root element") : QStringLiteral("more than one root element"),
                         roots == 0 ? QStringLiteral("文件中没有 XML 根元素") : QStringLiteral("文件中有多个 XML 根元素"));
    d->error.clear();
    d->operatorError.clear();
    return true;
}

bool XmlDocument::isLoaded() const { return d->loaded; }

static QString nodeText(const pugi::xpath_node &n)
{
    if (n.attribute())
        return QString::fromUtf8(n.attribute().value());
    QString out;
    const pugi::xml_node node = n.node();
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
        return QString::fromUtf8(node.value());
    for (pugi::xml_node c = node.first_child(); c;) {
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
            out += QString::fromUtf8(c.value());
        // Depth-first walk over the element's descendants.
        if (c.first_child()) {
            c = c.first_child();
            continue;
        }
        while (c && !c.next_sibling() && c != node)
            c = c.parent();
        if (!c || c == node)
            break;
        c = c.next_sibling();
    }
    return out;
}

std::optional<QString> XmlDocument::value(const QString &xpath) const
{
    const auto n = d->select(xpath);
    if (!n)
        return std::nullopt;
    return nodeText(*n);
}

std::optional<QString> XmlDocument::attribute(const QString &xpath, const QString &name) const
{
    const auto n = d->select(xpath);
    if (!n || !n->node())
        return std::nullopt;
    const pugi::xml_attribute a = n->node().attribute(name.toUtf8().constData());
    if (!a)
        return std::nullopt;
    return QString::fromUtf8(a.value());
}

int XmlDocument::count(const QString &xpath) const
{
    if (!d->loaded)
        return 0;
    try {
        const QByteArray q = toXPath(xpath).toUtf8();
        pugi::xpath_query query(q.constData());
        if (!query || query.return_type() != pugi::xpath_type_node_set)
            return 0;
        return int(query.evaluate_node_set(d->doc).size());
    } catch (const std::exception &) {
        return 0;
    }
}

QString XmlDocument::lastError() const { return d->error; }
QString XmlDocument::operatorError() const { return d->operatorError; }

QString XmlDocument::toXPath(const QString &path)
{
    QString out;
    out.reserve(path.size() + 4);
    qsizetype i = 0;
    QChar quote;
    while (i < path.size()) {
        const QChar c = path.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            out += c;
            ++i;
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            out += c;
            ++i;
            continue;
        }
        if (c == QLatin1Char('[')) {
            qsizetype j = i + 1;
            while (j < path.size() && path.at(j).isSpace())
                ++j;
            const qsizetype digitsStart = j;
            while (j < path.size() && path.at(j).isDigit())
                ++j;
            const qsizetype digitsEnd = j;
            while (j < path.size() && path.at(j).isSpace())
                ++j;
            if (digitsEnd > digitsStart && j < path.size() && path.at(j) == QLatin1Char(']')) {
                bool ok = false;
                const qlonglong n = path.mid(digitsStart, digitsEnd - digitsStart).toLongLong(&ok);
                if (ok) {
                    out += QLatin1Char('[') + QString::number(n + 1) + QLatin1Char(']');
                    i = j + 1;
                    continue;
                }
            }
        }
        out += c;
        ++i;
    }
    return out;
}
