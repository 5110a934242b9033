#include "hosting/hostrules.h"

#include "components/commandline.h"
#include "core/tabkey.h"
#include "platform/vbconv.h"

namespace hosting {

QString mainProgId(int32_t catalog)
{
    switch (catalog) {
    case 100:
    case 105:
        return QStringLiteral("LwEdit.oedit");
    case 101:
        return QStringLiteral("LwEdit.oReport");
    case 102:
        return QStringLiteral("LwEdit.oeditrpt");
    case 103:
        return QStringLiteral("LwReport.oEditRpt");
    case 220:
        return QStringLiteral("LwEdit.oalert");
    default:
        return QString();
    }
}

QString editProgId(int32_t catalog)
{
    // The edit window differs from the tab in one row: catalog 103 is a query form there.
    return catalog == 103 ? QStringLiteral("LwEdit.oquery") : mainProgId(catalog);
}

double numericField(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return 0;
    return vbconv::leadingNumber(value.toString());
}

std::optional<int32_t> int32Field(const QVariant &value)
{
    return vbconv::toInt32(numericField(value));
}

QString tabKey(const QString &menuCode, int32_t counter)
{
    return tabkey::make(menuCode, counter);
}

std::optional<int16_t> hostIndexFromKey(const QString &key)
{
    return tabkey::hostIndex(key);
}

QString componentName(int hostIndex)
{
    return QString::number(hostIndex) + QStringLiteral("edit");
}

QVariant editParameter(const QVariant &given)
{
    if (given.typeId() != QMetaType::QString)
        return given;
    const QString text = given.toString();
    const QString trimmed = text.trimmed();
    bool ok = false;
    const double number = trimmed.toDouble(&ok);
    if (!ok || trimmed.isEmpty())
        return given;
    // Plainly written: the number's own text is the parameter's text.
    const QString plain = QString::number(number, 'g', 15);
    if (plain != trimmed)
        return given;
    if (const auto i = vbconv::toInt32(number); i && double(*i) == number)
        return QVariant(*i);
    return QVariant(number);
}

EditGeometry editGeometry(const QString &commandLine)
{
    EditGeometry g;
    const QString text = commandLine.trimmed();
    if (text.isEmpty())
        return g;
    CommandLine parser;
    parser.parse(text);
    auto read = [&](const char *name) -> std::optional<int> {
        const CommandLine::Option o = parser.option(QString::fromLatin1(name));
        if (!o.present)
            return std::nullopt;
        const double v = vbconv::leadingNumber(o.value);
        if (!(v > 0) || v > 1e7)
            return std::nullopt;
        return int(v);
    };
    g.width = read("w");
    g.height = read("h");
    g.left = read("l");
    g.top = read("t");
    return g;
}

bool wantsEditWindow(const QString &commandLine)
{
    CommandLine parser;
    parser.parse(commandLine);
    return parser.isPresent(QStringLiteral("s"));
}

int twipsToPixels(double twips, double dpi)
{
    return int(twips * (dpi > 0 ? dpi : 96.0) / 1440.0 + 0.5);
}

QString periodText(int period, int year)
{
    if (year <= 0 || period <= 0)
        return QString();
    return QStringLiteral("%1年%2期").arg(year).arg(period);
}

} // namespace hosting
