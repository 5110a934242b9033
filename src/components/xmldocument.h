#pragma once
// The XML document component: a loaded document queried by XPath. An index in
// a path counts from 0 ("plugin[0]" is the first plugin element), as the suite's
// configuration readers address lists; a missing node gives null, not "".
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
    bool loadDevice(QIODevice *device);
    bool isLoaded() const;

    // Text of the first node the path selects (an element's whole text, or an attribute's value).
    std::optional<QString> value(const QString &xpath) const;
    std::optional<QString> attribute(const QString &xpath, const QString &name) const;
    int count(const QString &xpath) const;

    QString lastError() const;

    // "a/b[0]/c[2]" -> "a/b[1]/c[3]": numeric predicates move from 0-based to XPath's 1-based.
    static QString toXPath(const QString &zeroBasedPath);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
