#include "workspace/pilotmap.h"

#include "components/archive.h"
#include "components/database.h"
#include "components/xmldocument.h"
#include "core/bcommon.h"
#include "platform/runtimeerror.h"
#include "platform/vbconv.h"
#include "util/b64.h"
#include "util/bgettempfile.h"
#include "util/file2db.h"
#include "util/mcommondialog.h"
#include "workspace/storedfilecache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <pugixml.hpp>

#include <cmath>
#include <vector>

namespace workspace {

namespace {

constexpr int kInvalidUseOfNull = 94;

QString attr(const char *name) { return QString::fromLatin1(name); }

[[noreturn]] void missing(const QString &element, const QString &name)
{
    throw RuntimeError(QStringLiteral("无效使用 Null（%1 没有属性“%2”）").arg(element, name), kInvalidUseOfNull);
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// "&H" hexadecimal as the files' writers use for colours: up to 8 digits, read as a signed 32-bit value.
std::optional<double> hexNumber(const QString &digits, bool lenient)
{
    qsizetype n = 0;
    while (n < digits.size() && std::isxdigit(static_cast<unsigned char>(digits.at(n).toLatin1())) && digits.at(n).unicode() < 128)
        ++n;
    if (n == 0 || (!lenient && n != digits.size()))
        return lenient ? std::optional<double>(0.0) : std::nullopt;
    if (n > 8)
        throw RuntimeError(QStringLiteral("溢出"), RuntimeError::Overflow);
    const uint32_t v = digits.left(n).toUInt(nullptr, 16);
    return double(int32_t(v));
}

} // namespace

// ------------------------------------------------------------------ conversions

namespace pilotconv {

std::optional<double> number(const QString &text)
{
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && isBlank(text.at(b)))
        ++b;
    while (e > b && isBlank(text.at(e - 1)))
        --e;
    const QString t = text.mid(b, e - b);
    if (t.size() > 2 && t.at(0) == QLatin1Char('&') && t.at(1).toUpper() == QLatin1Char('H'))
        return hexNumber(t.mid(2), false);
    // [+-] digits [. digits] [e|d [+-] digits], at least one digit before the exponent.
    QByteArray bytes;
    bytes.reserve(t.size());
    qsizetype i = 0;
    const qsizetype n = t.size();
    auto digit = [&](qsizetype k) { return k < n && t.at(k) >= QLatin1Char('0') && t.at(k) <= QLatin1Char('9'); };
    if (i < n && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
        bytes += char(t.at(i++).unicode());
    qsizetype digits = 0;
    while (digit(i)) {
        bytes += char(t.at(i++).unicode());
        ++digits;
    }
    if (i < n && t.at(i) == QLatin1Char('.')) {
        bytes += '.';
        ++i;
        while (digit(i)) {
            bytes += char(t.at(i++).unicode());
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (t.at(i).toLower() == QLatin1Char('e') || t.at(i).toLower() == QLatin1Char('d'))) {
        bytes += 'e';
        ++i;
        if (i < n && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
            bytes += char(t.at(i++).unicode());
        if (!digit(i))
            return std::nullopt;
        while (digit(i))
            bytes += char(t.at(i++).unicode());
    }
    if (i != n)
        return std::nullopt;
    bool ok = false;
    const double v = bytes.toDouble(&ok); // C locale, whatever the user's
    if (!ok || !std::isfinite(v))
        throw RuntimeError(QStringLiteral("溢出"), RuntimeError::Overflow);
    return v;
}

double leadingValue(const std::optional<QString> &text)
{
    if (!text)
        return 0.0;
    qsizetype b = 0;
    while (b < text->size() && isBlank(text->at(b)))
        ++b;
    if (text->size() - b > 1 && text->at(b) == QLatin1Char('&') && text->at(b + 1).toUpper() == QLatin1Char('H'))
        return *hexNumber(text->mid(b + 2), true);
    return vbconv::leadingNumber(*text);
}

static double strictValue(const std::optional<QString> &text)
{
    if (!text)
        throw RuntimeError(QStringLiteral("无效使用 Null"), kInvalidUseOfNull);
    const std::optional<double> v = number(*text);
    if (!v)
        throw RuntimeError(QStringLiteral("类型不匹配"), RuntimeError::TypeMismatch);
    return *v;
}

static int32_t long32(double v)
{
    const std::optional<int32_t> r = vbconv::toInt32(v);
    if (!r)
        throw RuntimeError(QStringLiteral("溢出"), RuntimeError::Overflow);
    return *r;
}

static int16_t integer16(double v)
{
    const std::optional<int16_t> r = vbconv::toInt16(v);
    if (!r)
        throw RuntimeError(QStringLiteral("溢出"), RuntimeError::Overflow);
    return *r;
}

int32_t toLong(const std::optional<QString> &text) { return long32(strictValue(text)); }
int16_t toInteger(const std::optional<QString> &text) { return integer16(strictValue(text)); }
int32_t leadingLong(const std::optional<QString> &text) { return long32(leadingValue(text)); }
int16_t leadingInteger(const std::optional<QString> &text) { return integer16(leadingValue(text)); }
int32_t left(const std::optional<QString> &text) { return long32(57.0 * strictValue(text) + 1000.0); }
int32_t top(const std::optional<QString> &text) { return long32(57.0 * strictValue(text) + 1500.0); }
int32_t extent(const std::optional<QString> &text) { return long32(57.0 * strictValue(text)); }

bool rightToLeft(const std::optional<QString> &text)
{
    if (!text)
        throw RuntimeError(QStringLiteral("无效使用 Null"), kInvalidUseOfNull);
    const QString t = text->trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    const std::optional<double> v = number(t);
    if (!v)
        throw RuntimeError(QStringLiteral("类型不匹配"), RuntimeError::TypeMismatch);
    return *v != 0.0;
}

QString iconFileName(const std::optional<QString> &text)
{
    if (!text)
        throw RuntimeError(QStringLiteral("无效使用 Null"), kInvalidUseOfNull);
    const QString name = MCommonDialog::FileTitleFromPath(b64::DecodeMimeWord(*text), false);
    if (!isPlainFileName(name))
        throw RuntimeError(QStringLiteral("图片文件名“%1”不是单纯的文件名").arg(*text), RuntimeError::General);
    return name;
}

} // namespace pilotconv

bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0));
}

QString describeArrow(const PilotArrow &a, int n)
{
    return QStringLiteral("arrow %1 left=%2 top=%3 width=%4 height=%5 forecolor=%6 arrowdirection=%7 appearance=%8 "
                          "backcolor=%9 constantalpha=%10 borderstyle=%11 shadowlength=%12 shadowstep=%13")
        .arg(n)
        .arg(a.rect.left)
        .arg(a.rect.top)
        .arg(a.rect.width)
        .arg(a.rect.height)
        .arg(a.forecolor)
        .arg(a.arrowdirection)
        .arg(a.appearance)
        .arg(a.backcolor)
        .arg(a.constantalpha)
        .arg(a.borderstyle)
        .arg(a.shadowlength)
        .arg(a.shadowstep);
}

QString describeBox(const PilotBox &b, int n)
{
    return QStringLiteral("box %1 left=%2 top=%3 width=%4 height=%5 iconsize=%6 righttoleft=%7 textalign=%8 code=%9 caption=%10 icon=%11")
        .arg(n)
        .arg(b.rect.left)
        .arg(b.rect.top)
        .arg(b.rect.width)
        .arg(b.rect.height)
        .arg(b.iconsize)
        .arg(b.righttoleft)
        .arg(b.textalign)
        .arg(b.code, b.caption, b.iconName);
}

QString pilotFormatMessage() { return QStringLiteral("读取导航窗口文件时格式错误！"); }
QString pilotErrorPrefix() { return QStringLiteral("加载导航窗口文件，原因："); }

// ------------------------------------------------------------------ reader

// The lists of a map as the element paths address them: "arrow[i]" is, in
// document order, the first i-th arrow of all "arrows" elements under
// /print/page/blocks. Kept as node lists so reading a map is linear in its size.
struct PilotMapReader::Doc {
    pugi::xml_document doc;
    std::vector<std::vector<pugi::xml_node>> arrows;
    std::vector<std::vector<pugi::xml_node>> pilots;

    void collect()
    {
        for (pugi::xml_node print : doc.children("print"))
            for (pugi::xml_node page : print.children("page"))
                for (pugi::xml_node blocks : page.children("blocks")) {
                    for (pugi::xml_node list : blocks.children("arrows")) {
                        std::vector<pugi::xml_node> items;
                        for (pugi::xml_node a : list.children("arrow"))
                            items.push_back(a);
                        arrows.push_back(std::move(items));
                    }
                    for (pugi::xml_node list : blocks.children("pilots")) {
                        std::vector<pugi::xml_node> items;
                        for (pugi::xml_node p : list.children("pilot"))
                            items.push_back(p);
                        pilots.push_back(std::move(items));
                    }
                }
    }
};

namespace {

using Lists = std::vector<std::vector<pugi::xml_node>>;

pugi::xml_node element(const Lists &lists, size_t i)
{
    for (const auto &l : lists)
        if (l.size() > i)
            return l[i];
    return {};
}

// The first child of that name among the i-th elements (the path ".../pilot[i]/menu").
pugi::xml_node child(const Lists &lists, size_t i, const char *name)
{
    for (const auto &l : lists)
        if (l.size() > i)
            if (pugi::xml_node c = l[i].child(name))
                return c;
    return {};
}

std::optional<QString> attribute(pugi::xml_node node, const char *name)
{
    if (!node)
        return std::nullopt;
    const pugi::xml_attribute a = node.attribute(name);
    if (!a)
        return std::nullopt;
    return QString::fromUtf8(a.value());
}

void appendText(pugi::xml_node node, std::string &out)
{
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
            out += c.value();
        else if (c.type() == pugi::node_element)
            appendText(c, out);
    }
}

// Runs one conversion; a failure names the element and the attribute.
template <typename F>
auto convert(const QString &element, const char *name, pugi::xml_node node, F f)
{
    const std::optional<QString> text = attribute(node, name);
    try {
        return f(text);
    } catch (const RuntimeError &e) {
        if (e.number() == kInvalidUseOfNull)
            missing(element, attr(name));
        throw RuntimeError(QStringLiteral("%1（%2 的属性 %3=\"%4\"）").arg(e.description(), element, attr(name), text.value_or(QString())),
                           e.number());
    }
}

} // namespace

bool PilotMapReader::load(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        m_doc.reset();
        m_formatError = QStringLiteral("文件“%1”不能读取：%2").arg(path, f.errorString());
        return false;
    }
    return loadData(f.readAll());
}

bool PilotMapReader::loadDevice(QIODevice *device)
{
    if (!device || !device->isReadable()) {
        m_doc.reset();
        m_formatError = QStringLiteral("the device cannot be read");
        return false;
    }
    return loadData(device->readAll());
}

bool PilotMapReader::loadData(const QByteArray &raw)
{
    m_doc.reset();
    QString text;
    QString why;
    if (!XmlDocument::decode(raw, &text, nullptr, &why)) {
        m_formatError = why;
        return false;
    }
    auto doc = std::make_shared<Doc>();
    const QByteArray bytes = text.toUtf8();
    const pugi::xml_parse_result r = doc->doc.load_buffer(bytes.constData(), size_t(bytes.size()), pugi::parse_default, pugi::encoding_utf8);
    if (!r) {
        m_formatError = QStringLiteral("%1 at offset %2").arg(QString::fromUtf8(r.description())).arg(r.offset);
        return false;
    }
    int roots = 0;
    for (pugi::xml_node c = doc->doc.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element)
            ++roots;
        else if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
            roots += 2;
    }
    if (roots != 1) {
        m_formatError = roots == 0 ? QStringLiteral("no root element") : QStringLiteral("more than one root element");
        return false;
    }
    doc->collect();
    m_doc = std::move(doc);
    m_formatError.clear();
    return true;
}

PilotMap PilotMapReader::read() const
{
    PilotMap map;
    if (!m_doc) {
        map.error = m_formatError.isEmpty() ? QStringLiteral("没有读入导航窗口文件") : m_formatError;
        return map;
    }
    using namespace pilotconv;
    try {
        for (size_t i = 0;; ++i) {
            const pugi::xml_node n = element(m_doc->arrows, i);
            if (!attribute(n, "left"))
                break;
            const QString path = QStringLiteral("/print/page/blocks/arrows/arrow[%1]").arg(i);
            PilotArrow a;
            a.rect.left = convert(path, "left", n, pilotconv::left);
            a.rect.top = convert(path, "top", n, pilotconv::top);
            a.rect.width = convert(path, "width", n, extent);
            a.rect.height = convert(path, "height", n, extent);
            a.forecolor = convert(path, "forecolor", n, leadingLong);
            a.arrowdirection = convert(path, "arrowdirection", n, toLong);
            a.appearance = convert(path, "appearance", n, toLong);
            a.backcolor = convert(path, "backcolor", n, leadingLong);
            a.constantalpha = convert(path, "constantalpha", n, toLong);
            a.borderstyle = convert(path, "borderstyle", n, toInteger);
            a.shadowlength = convert(path, "shadowlength", n, toLong);
            a.shadowstep = convert(path, "shadowstep", n, toLong);
            map.arrows.append(a);
        }
        for (size_t i = 0;; ++i) {
            const pugi::xml_node n = element(m_doc->pilots, i);
            const std::optional<QString> caption = attribute(n, "caption");
            if (!caption)
                break;
            const QString path = QStringLiteral("/print/page/blocks/pilots/pilot[%1]").arg(i);
            PilotBox b;
            b.caption = b64::DecodeMimeWord(*caption);
            b.rect.left = convert(path, "left", n, pilotconv::left);
            b.rect.top = convert(path, "top", n, pilotconv::top);
            b.rect.width = convert(path, "width", n, extent);
            b.rect.height = convert(path, "height", n, extent);
            b.iconsize = convert(path, "iconsize", n, leadingInteger);
            b.rightToLeft = convert(path, "righttoleft", n, pilotconv::rightToLeft);
            b.righttoleft = *attribute(n, "righttoleft");
            b.textalign = convert(path, "textalign", n, toLong);
            b.code = attribute(child(m_doc->pilots, i, "menu"), "code").value_or(QString());
            const pugi::xml_node icon = child(m_doc->pilots, i, "icon");
            if (!icon)
                throw RuntimeError(QStringLiteral("无效使用 Null（%1 没有子元素“icon”）").arg(path), kInvalidUseOfNull);
            b.iconName = convert(path + QStringLiteral("/icon"), "filename", icon, iconFileName);
            std::string base64;
            appendText(icon, base64);
            b.iconBase64 = QString::fromUtf8(base64);
            map.boxes.append(b);
        }
    } catch (const RuntimeError &e) {
        map.error = e.description();
    }
    return map;
}

// ------------------------------------------------------------------ cache

PilotMapCache::PilotMapCache(zLibControl *archive)
    : m_archive(archive)
    , m_menu(std::make_unique<StoredFileCache>(archive, QStringLiteral("menu")))
    , m_images(std::make_unique<StoredFileCache>(archive, QStringLiteral("images")))
{
}

PilotMapCache::~PilotMapCache() = default;

void PilotMapCache::setTempFolder(const QString &folder)
{
    m_menu->setTempFolder(folder);
    m_images->setTempFolder(folder);
}

QString PilotMapCache::tempFolder() const { return m_menu->tempFolder(); }

static QString ensured(StoredFileCache &cache, QString *note)
{
    QString why;
    const QString folder = cache.writeFolder(&why);
    if (!why.isEmpty())
        *note = why;
    if (!folder.isEmpty() && !QFileInfo(folder).isDir())
        bCommon::MakeDirs(folder); // removed while the program runs
    return folder;
}

QString PilotMapCache::menuFolder() { return ensured(*m_menu, &m_note); }
QString PilotMapCache::imagesFolder() { return ensured(*m_images, &m_note); }

QString PilotMapCache::takeNote()
{
    QString note;
    note.swap(m_note);
    return note;
}

QString PilotMapCache::query()
{
    return QStringLiteral("SELECT filename,iscompress,contents,filesize FROM xt_menuPilot WHERE type=0 and menuCode=?");
}

PilotMapCache::Result PilotMapCache::fetch(Database *db, const QString &code, QString *path, QString *problem)
{
    auto fail = [problem](const QString &why) {
        if (problem)
            *problem = why;
        return Failed;
    };
    if (!db)
        return fail(QStringLiteral("对象变量或 With 块变量未设置"));
    db->ClearError();
    RecordSetPtr rs = db->query(query(), {code});
    if (!db->LastError().description.isEmpty()) {
        const QString why = db->LastError().description;
        db->ClearError();
        return fail(why);
    }
    if (!rs || rs->isEOF()) {
        if (rs)
            rs->close();
        return NoMap;
    }
    rs->detach();
    const QString fileName = rs->text(QStringLiteral("filename"));
    const bool compressed = vbconv::leadingNumber(rs->text(QStringLiteral("iscompress"))) == 1.0;
    const QVariant contents = rs->field(QStringLiteral("contents"));
    const QVariant filesize = rs->field(QStringLiteral("filesize"));
    rs->close();

    // The code names the cache file: one that could reach another folder is refused.
    if (!isPlainFileName(code + QStringLiteral(".mnu")) || code.contains(QLatin1Char(':')))
        return fail(QStringLiteral("菜单编号“%1”不能用作文件名").arg(code));
    const QString folder = menuFolder();
    if (folder.isEmpty())
        return fail(QStringLiteral("临时文件夹“%1”不能写入").arg(tempFolder()));
    const QString target = folder + QLatin1Char('/') + code + QStringLiteral(".mnu");

    bool stale = true;
    const QFileInfo cached(target);
    if (cached.isFile()) {
        if (filesize.isNull()) {
            stale = false;
        } else {
            const std::optional<double> size = pilotconv::number(filesize.toString());
            stale = !size || double(cached.size()) != *size;
        }
    }
    if (stale) {
        if (!compressed) {
            if (!file2db::SaveFieldToFile(target, contents, true))
                return fail(QStringLiteral("文件“%1”不能写入").arg(target));
        } else {
            if (!isPlainFileName(fileName))
                return fail(QStringLiteral("文件名“%1”不是单纯的文件名").arg(fileName));
            const QString tmp = bGetTempFile::GetTempFile(QStringLiteral("tmp"));
            if (tmp.isEmpty())
                return fail(QStringLiteral("不能建立临时文件"));
            const bool saved = file2db::SaveFieldToFile(tmp, contents, true);
            // Extracted in a folder of its own: the archive's other entries never
            // replace cached maps, and only the map file moves to its cache name.
            QTemporaryDir unpack(folder + QStringLiteral("/.unpack-XXXXXX"));
            zLibControl local;
            zLibControl *archive = m_archive ? m_archive : &local;
            const bool extracted = saved && unpack.isValid()
                && archive->Extract(tmp, unpack.path(), false, true, false, true, false, true);
            QFile::remove(tmp);
            if (!saved)
                return fail(QStringLiteral("压缩内容不能写入临时文件"));
            if (!unpack.isValid())
                return fail(QStringLiteral("文件夹“%1”不能写入").arg(folder));
            if (!extracted)
                return fail(QStringLiteral("压缩内容不能解压：") + archive->lastError());
            const QString unpacked = unpack.filePath(fileName);
            if (!QFileInfo(unpacked).isFile() || QFileInfo(unpacked).isSymLink())
                return fail(QStringLiteral("压缩包中没有文件“%1”").arg(fileName));
            QFile::remove(target);
            if (!QFile::rename(unpacked, target))
                return fail(QStringLiteral("文件“%1”不能写入").arg(target));
        }
    }
    if (path)
        *path = target;
    return Ready;
}

} // namespace workspace
