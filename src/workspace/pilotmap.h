#pragma once
// Process maps without widgets: the reader of the stored map file (boxes and
// arrows with their geometry in twips) and the local cache that brings a
// stored map out of xt_menuPilot. The main window turns what the reader gives
// into kxArrow and kxPilot controls; zenlo-admin's "map check" prints it.
//
// File format: "/print/page/blocks/arrows/arrow[i]" and
// "/print/page/blocks/pilots/pilot[i]", i counted from 0. Arrows end at the
// first arrow without "left", boxes at the first box without "caption".
// Geometry in file units: left twips = 57 * v + 1000, top = 57 * v + 1500,
// width and height = 57 * v.
#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

class Database;
class QIODevice;
class zLibControl;

namespace workspace {

class StoredFileCache;

struct TwipsRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const TwipsRect &) const = default;
};

struct PilotArrow {
    TwipsRect rect;
    int32_t forecolor = 0;      // Windows colour value 0x00BBGGRR
    int32_t arrowdirection = 0;
    int32_t appearance = 0;
    int32_t backcolor = 0;
    int32_t constantalpha = 0;
    int16_t borderstyle = 0;
    int32_t shadowlength = 0;
    int32_t shadowstep = 0;
};

struct PilotBox {
    TwipsRect rect;
    QString caption;        // decoded
    int16_t iconsize = 0;
    QString righttoleft;    // as read
    bool rightToLeft = false;
    int32_t textalign = 0;
    QString code;           // the menu code the box runs; "" without a "menu" child
    QString iconName;       // decoded file title of the icon
    QString iconBase64;     // the icon element's text
};

struct PilotMap {
    QList<PilotArrow> arrows;
    QList<PilotBox> boxes;
    // "" when the file was read to its end; otherwise the description of the
    // run-time error at the element after the last one listed.
    QString error;
    bool complete() const { return error.isEmpty(); }
};

// Conversions of the map file, each failing with a run-time error
// (RuntimeError: "类型不匹配" for text that is not a number, "溢出" for a
// number out of the type's range, "无效使用 Null" for a missing value).
namespace pilotconv {
// A number as the file writes it: decimal (sign, fraction, exponent) or
// hexadecimal "&H..."; blanks around it are allowed. nullopt when it is none.
std::optional<double> number(const QString &text);
// The lenient read of colours and icon sizes: the leading number, 0 for none or a missing value.
double leadingValue(const std::optional<QString> &text);
int32_t toLong(const std::optional<QString> &text);        // strict, rounded half to even
int16_t toInteger(const std::optional<QString> &text);     // strict, 16-bit
int32_t leadingLong(const std::optional<QString> &text);   // lenient, 32-bit
int16_t leadingInteger(const std::optional<QString> &text); // lenient, 16-bit
int32_t left(const std::optional<QString> &text);
int32_t top(const std::optional<QString> &text);
int32_t extent(const std::optional<QString> &text);
bool rightToLeft(const std::optional<QString> &text);      // True/False or a number (non-zero is true)
// The icon's file name as the images folder keeps it: decoded, the part
// after the last separator; throws when that is not a plain file name.
QString iconFileName(const std::optional<QString> &text);
} // namespace pilotconv

// Whether a text can name a file inside a cache folder: not empty, not "." or
// "..", no separator, no NUL.
bool isPlainFileName(const QString &name);

class PilotMapReader
{
public:
    // Reads the whole file as XML (in the encoding it declares). false with
    // formatError() when the file cannot be read or is not well-formed XML.
    bool load(const QString &path);
    bool loadData(const QByteArray &bytes);
    // Reads the device from its current position to its end.
    bool loadDevice(QIODevice *device);
    QString formatError() const { return m_formatError; }

    // The elements in creation order: all arrows, then the boxes; stops at
    // the first element that cannot be converted (PilotMap::error).
    PilotMap read() const;

private:
    struct Doc;
    std::shared_ptr<Doc> m_doc;
    QString m_formatError;
};

// One line per element, as "zenlo-admin map check" prints them; n counts from 1.
QString describeArrow(const PilotArrow &arrow, int n);
QString describeBox(const PilotBox &box, int n);

// The message for a file that is not XML, and the beginning of every other.
QString pilotFormatMessage();   // "读取导航窗口文件时格式错误！"
QString pilotErrorPrefix();     // "加载导航窗口文件，原因："

// The stored map of a menu code in the local cache: tempFolder/menu/CODE.mnu.
// The cached file is kept while its length equals the row's filesize (a null
// filesize never makes it stale); otherwise the row is written again, from its
// archive when iscompress is 1.
class PilotMapCache
{
public:
    explicit PilotMapCache(zLibControl *archive = nullptr);
    ~PilotMapCache();
    void setTempFolder(const QString &folder);
    QString tempFolder() const;
    // tempFolder/menu and tempFolder/images, made when missing; when the
    // temporary folder cannot be written, the same folders in the user's cache
    // folder (as the icon cache does). "" when neither can be used.
    QString menuFolder();
    QString imagesFolder();
    // Why the user's cache folder is used instead (once per folder), "" otherwise; cleared by the call.
    QString takeNote();

    enum Result { NoMap, Ready, Failed };
    // Ready with *path; NoMap when there is no stored map for the code;
    // Failed with *problem (the error description).
    Result fetch(Database *db, const QString &code, QString *path, QString *problem);

    // The query, the menu code bound as a value.
    static QString query();

private:
    zLibControl *m_archive;
    std::unique_ptr<StoredFileCache> m_menu;
    std::unique_ptr<StoredFileCache> m_images;
    QString m_note;
};

} // namespace workspace
