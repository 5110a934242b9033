// A report's parameters and the binding of its ":name" placeholders. The input
// is UTF-8 text: the first line is the parameter list ("name:caption:type:default;..."),
// the second the report's SQL, every further line the value of the next parameter.
// Properties: a refusal (of the list or of a value) says why; a binding never puts
// a value into the SQL (the SQL is the same whatever the values, and a value that
// is not written in the report's SQL is not in the result), and the result's "?"
// outside literals, quoted names and comments are exactly the bound values.
#include "common/progdef.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

// The "?" the database would see as placeholders: outside 'literals', "names" and comments.
qsizetype placeholders(const QString &sql)
{
    qsizetype n = 0;
    QChar closing;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        const QChar next = i + 1 < sql.size() ? sql.at(i + 1) : QChar();
        if (!closing.isNull()) {
            if (closing == u'\n' ? c == u'\n' : closing == u'*' ? (c == u'*' && next == u'/') : c == closing) {
                if (closing == u'*')
                    ++i;
                closing = QChar();
            }
        } else if (c == u'\'' || c == u'"') {
            closing = c;
        } else if (c == u'-' && next == u'-') {
            closing = u'\n';
            ++i;
        } else if (c == u'/' && next == u'*') {
            closing = u'*';
            ++i;
        } else if (c == u'?') {
            ++n;
        }
    }
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList lines = text.split(u'\n');
    lwcommon::Definition d;
    d.caption = QStringLiteral("报表");
    QString reason;
    if (!lwcommon::parseParams(lines.value(0), &d.params, &reason)) {
        if (reason.isEmpty())
            std::abort(); // a refusal says why
        return 0;
    }
    if (!reason.isEmpty())
        std::abort();
    d.reportSql = lines.value(1);
    QMap<QString, QString> values, blank;
    for (qsizetype i = 0; i < d.params.size(); ++i)
        values.insert(d.params.at(i).name, lines.value(2 + i));

    // With empty values every type fits: the SQL alone decides whether it can be bound.
    QString plainSql, plainError;
    QVariantList plainBound;
    const bool sqlOk = lwcommon::bindReportSql(d, blank, &plainSql, &plainBound, &plainError);
    if (!sqlOk && (plainError.isEmpty() || !plainSql.isEmpty() || !plainBound.isEmpty()))
        std::abort();
    if (sqlOk && (!plainError.isEmpty() || placeholders(plainSql) != plainBound.size()))
        std::abort();

    QString sql, error;
    QVariantList bound;
    if (!lwcommon::bindReportSql(d, values, &sql, &bound, &error)) {
        if (error.isEmpty() || !sql.isEmpty() || !bound.isEmpty())
            std::abort();
        return 0;
    }
    if (!sqlOk || !error.isEmpty())
        std::abort(); // accepted with values, refused without them
    // The values never change the SQL, nor how many values it takes.
    if (sql != plainSql || bound.size() != plainBound.size() || placeholders(sql) != bound.size())
        std::abort();
    // A value without a "?" found in the result must be written in the report's SQL itself
    // (the result is the SQL's own pieces joined by "?").
    for (const QString &v : std::as_const(values)) {
        const QString t = v.trimmed();
        if (!t.isEmpty() && !t.contains(u'?') && sql.contains(t) && !d.reportSql.contains(t))
            std::abort();
    }
    // The same input binds the same way again: nothing is kept between calls.
    QString again, againError;
    QVariantList againBound;
    if (!lwcommon::bindReportSql(d, values, &again, &againBound, &againError) || again != sql || againBound != bound)
        std::abort();
    return 0;
}
