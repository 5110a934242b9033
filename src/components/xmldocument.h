#pragma once
// The XML document component: a loaded document queried by XPath. An index in
// a path counts from 0 ("plugin[0]" is the first plugin element), as the suite's
// configuration readers address lists; a missing node gives null, not "".
//
// The bytes are read in the encoding the XML declaration names: UTF-8,
// GB2312, GBK, GB18030 (a site's files saved on a Chinese workstation) or any
// other the platform converts; with a byte-order mark, in its UTF. Without a
// declared encoding the bytes are UTF-8 when they are valid UTF-8, else text
// in the ANSI code page. An encoding that cannot be converted, or bytes that
// are not valid in the encoding, make the load fail with the reason.
#include "platform/zenlo_export.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class QIODevice;

class ZENLO_CORE_EXPORT XmlDocument
{
public:
    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument &) = delete;
    XmlDocument &operator=(const XmlDocument &) = delete;

    // Kept for callers that prepare the component before loading; no effect.
    void prepare(int &value);
    // Reads and parses a file; false (and lastError) when it cannot be read or is not well-formed.
    bool load(const QString &path, int flags = 0);
    bool loadData(const QByteArray &bytes);
    // Reads the device from its current position to its end.
    bool loadDevice(QIODevice *device);
    bool isLoaded() const;

    // Text of the first node the path selects (an element's whole text, or an attribute's value).
    std::optional<QString> value(const QString &xpath) const;
    std::optional<QString> attribute(const QString &xpath, const QString &name) const;
    int count(const QString &xpath) const;

    QString lastError() const;
    // The same reason in the operator's words (Chinese), for message boxes; the English
    // reason above belongs in the log and the administrator's tools.
    QString operatorError() const;

    // The encoding the last load read the bytes in ("UTF-8", "GBK", ...); "" before a load.
    QString encoding() const;

    // Bytes of an XML document as text, by the rules above; false with the reason.
    static bool decode(const QByteArray &bytes, QString *text, QString *encoding, QString *error,
                       QString *operatorError = nullptr);

    // "a/b[0]/c[2]" -> "a/b[1]/c[3]": numeric predicates move from 0-based to XPath's 1-based.
    static QString toXPath(const QString &zeroBasedPath);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
