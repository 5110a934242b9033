#include "components/xmldocument.h"

#include <QFile>
#include <QIODevice>

#include <pugixml.hpp>

struct XmlDocument::Private {
    pugi::xml_document doc;
    bool loaded = false;
    QString error;

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
    if (!f.open(QIODevice::ReadOnly)) {
        d->doc.reset();
        d->loaded = false;
        d->error = QStringLiteral("cannot read %1: %2").arg(path, f.errorString());
        return false;
    }
    return loadDevice(&f);
}

bool XmlDocument::loadDevice(QIODevice *device)
{
    if (!device || !device->isReadable()) {
        d->doc.reset();
        d->loaded = false;
        d->error = QStringLiteral("the device cannot be read");
        return false;
    }
    return loadData(device->readAll());
}

bool XmlDocument::loadData(const QByteArray &bytes)
{
    d->doc.reset();
    const pugi::xml_parse_result r =
        d->doc.load_buffer(bytes.constData(), size_t(bytes.size()), pugi::parse_default | pugi::parse_ws_pcdata_single);
    d->loaded = bool(r);
    if (!d->loaded) {
        d->error = QStringLiteral("%1 at offset %2").arg(QString::fromUtf8(r.description())).arg(r.offset);
        d->doc.reset();
        return false;
    }
    int roots = 0;
    for (pugi::xml_node c = d->doc.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element)
            ++roots;
        else if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
            roots += 2; // text outside the root element
    }
    if (roots != 1) {
        d->loaded = false;
        d->error = roots == 0 ? QStringLiteral("no root element") : QStringLiteral("more than one root element");
        d->doc.reset();
        return false;
    }
    d->error.clear();
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
