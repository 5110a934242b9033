// The column lists of a program definition ("*name:caption:type:width:options;...")
// and its document options (docopts). The input is UTF-8 text: the first line is a
// column list, the second the docopts. Properties: a list is accepted without a
// reason or refused with one; every accepted column has a name, and every name it
// carries (its own, calc=, sum=, ref=, the status column) is a plain identifier,
// since these are written into SQL; the numbers stay in their ranges; parsing the
// same text again gives the same columns.
#include "common/progdef.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

// Checked by hand, not with the parser's own expression.
bool plainName(const QString &s, bool mayBeEmpty = false)
{
    if (s.isEmpty())
        return mayBeEmpty;
    if (s.size() > 64 || (s.at(0) >= u'0' && s.at(0) <= u'9'))
        return false;
    for (const QChar c : s)
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_'))
            return false;
    return true;
}

bool same(const lwcommon::Column &a, const lwcommon::Column &b)
{
    return a.name == b.name && a.caption == b.caption && a.type == b.type && a.width == b.width && a.required == b.required
           && a.decimals == b.decimals && a.hasMin == b.hasMin && a.minInclusive == b.minInclusive && a.minimum == b.minimum
           && a.calcA == b.calcA && a.calcB == b.calcB && a.sumOf == b.sumOf && a.reference == b.reference;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString columns = text.section(u'\n', 0, 0);
    const QString docopts = text.section(u'\n', 1, 1);

    QList<lwcommon::Column> cols;
    QString reason;
    const bool ok = lwcommon::parseColumns(columns, &cols, &reason);
    if (ok != reason.isEmpty())
        std::abort(); // refused with a reason, accepted without one
    if (ok) {
        if (cols.isEmpty() || cols.size() > columns.count(u';') + 1)
            std::abort();
        for (const lwcommon::Column &c : std::as_const(cols)) {
            if (!plainName(c.name) || !plainName(c.calcA, true) || !plainName(c.calcB, true) || !plainName(c.sumOf, true)
                || !plainName(c.reference, true) || c.calcA.isEmpty() != c.calcB.isEmpty())
                std::abort();
            if ((c.type != u't' && c.type != u'n' && c.type != u'd') || c.width < 40 || c.width > 600 || c.decimals < -1
                || c.decimals > 6 || (c.type != u'n' && (c.decimals >= 0 || c.hasMin || c.computed())))
                std::abort();
            if (c.hasMin != !c.minimum.isEmpty())
                std::abort();
        }
        QList<lwcommon::Column> again;
        if (!lwcommon::parseColumns(columns, &again) || again.size() != cols.size())
            std::abort();
        for (qsizetype i = 0; i < cols.size(); ++i)
            if (!same(cols.at(i), again.at(i)))
                std::abort();
    }

    lwcommon::Definition d;
    QString why;
    const bool optsOk = lwcommon::parseDocOptions(docopts, &d, &why);
    if (optsOk != why.isEmpty())
        std::abort();
    if (optsOk) {
        if (!plainName(d.statusColumn, true) || d.statusColumn.isEmpty() != d.statuses.isEmpty())
            std::abort();
        if (d.numberDigits < 0 || d.numberDigits > 9)
            std::abort();
    }
    return 0;
}
