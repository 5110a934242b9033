#include "core/clsconfig.h"

#include "components/xmldocument.h"
#include "platform/runtimeerror.h"
#include "platform/uiservice.h"
#include "platform/vbconv.h"

#include <QFileInfo>


namespace {
const QString kSection = QStringLiteral("/configuration/system");

int32_t numericValue(const QString &text, const QString &where)
{
    const auto v = vbconv::toInt32(vbconv::leadingNumber(text));
    if (!v)
        throw RuntimeError(QStringLiteral("%1: \"%2\" is out of range for a 32-bit integer").arg(where, text), RuntimeError::Overflow);
    return *v;
}

} // namespace

clsConfig::clsConfig(const PathContext &ctx) : m_ctx(ctx) {}
clsConfig::~clsConfig() = default;

void clsConfig::Clear()
{
    m_XML.reset();
}

int16_t clsConfig::TreeWidth() const { return vbconv::clampInt16(m_TreeWidth); }
int16_t clsConfig::SplashDelay() const { return vbconv::clampInt16(m_SplashDelay); }

bool clsConfig::AutoRegister() const
{
    return m_AutoRegister == QLatin1String("1") || m_AutoRegister == QLatin1String("true");
}

QString clsConfig::pathRule(const QString &text) const
{
    return bCommon::ExpandPathTwin(text, true, false, m_ctx);
}

QString clsConfig::value(const QString &xpath) const
{
    if (!m_XML)
        return QString();
    return m_XML->value(xpath).value_or(QString());
}

bool clsConfig::Init(const QString &fileName)
{
    return Init(fileName, [this](XmlDocument &doc) { return doc.load(bCommon::toNativePath(m_ConfigFileName, m_ctx.style), 0); });
}

bool clsConfig::Init(QIODevice *device, const QString &fileName)
{
    return Init(fileName, [device](XmlDocument &doc) { return doc.loadDevice(device); });
}

bool clsConfig::InitData(const QByteArray &bytes, const QString &fileName)
{
    return Init(fileName, [&bytes](XmlDocument &doc) { return doc.loadData(bytes); });
}

bool clsConfig::Init(const QString &fileName, const std::function<bool(XmlDocument &)> &load)
{
    m_lastError.clear();
    m_operatorError.clear();
    try {
        m_ConfigFileName = vbconv::trimBlanks(fileName);
        auto doc = std::make_unique<XmlDocument>();
        int prep = 99;
        doc->prepare(prep);
        const bool loaded = load(*doc);
        const QString loadError = doc->lastError();
        m_XML = std::move(doc);
        if (!loaded) {
            m_lastError = loadError;
            m_operatorError = m_XML->operatorError();
            return false;
        }
        auto read = [this](const QString &sub) { return m_XML->value(kSection + sub).value_or(QString()); };

        const QString treeText = m_XML->attribute(kSection + QStringLiteral("/settings/treeWidth"), QStringLiteral("default")).value_or(QString());
        int32_t tree = numericValue(treeText, QStringLiteral("settings/treeWidth/@default"));
        m_TreeWidth = tree < 30 ? 30 : tree;
        m_Caption = read(QStringLiteral("/caption"));
        m_HelpFileName = pathRule(read(QStringLiteral("/help")));
        const QString menu = read(QStringLiteral("/menu"));
        if (!menu.isEmpty())
            m_MenuFileName = pathRule(menu);
        m_MenuToolWidth = numericValue(read(QStringLiteral("/menutoolwidth")), QStringLiteral("menutoolwidth"));
        m_UpdateFileName = vbconv::trimBlanks(read(QStringLiteral("/update")));
        m_Background_Login = read(QStringLiteral("/settings/background/login"));
        m_Background_splash = read(QStringLiteral("/settings/background/splash"));
        m_Background_main = read(QStringLiteral("/settings/background/main"));
        m_SplashDelay = numericValue(read(QStringLiteral("/settings/splashdelay")), QStringLiteral("settings/splashdelay"));
        m_RootCaption = read(QStringLiteral("/rootcaption"));
        m_Subject = read(QStringLiteral("/subject"));
        m_AutoRegister = vbconv::trimBlanks(read(QStringLiteral("/settings/autoregister"))).toLower();
        // An absent (or empty) switch keeps its default; any number but exactly 0 turns it on.
        const QString autoResize = read(QStringLiteral("/settings/autoresize"));
        m_AutoResize = vbconv::trimBlanks(autoResize).isEmpty() ? true : vbconv::leadingNumber(autoResize) != 0.0;
        m_MenuMode = numericValue(read(QStringLiteral("/menumode")), QStringLiteral("menumode"));
        m_Navigate = numericValue(read(QStringLiteral("/navigate")), QStringLiteral("navigate"));
        const QString unform = read(QStringLiteral("/unformstatus"));
        m_UnFormStatus = vbconv::trimBlanks(unform).isEmpty() ? false : vbconv::leadingNumber(unform) != 0.0;
        return true;
    } catch (const std::exception &e) {
        m_lastError = RuntimeError::describe(e);
        return false;
    }
}

bool clsConfig::SetLanguague(const QString &languageFile, int)
{
    try {
        const QString native = bCommon::toNativePath(languageFile, m_ctx.style);
        if (native.isEmpty() || !QFileInfo(native).isFile())
            return false;
        XmlDocument lang;
        int prep = 99;
        lang.prepare(prep);
        if (!lang.load(native, 0))
            return false;
        const QString prefix = QStringLiteral("//language/system");
        auto read = [&](const QString &sub) { return lang.value(prefix + sub).value_or(QString()); };
        m_Background_Login = read(QStringLiteral("/settings/background/login"));
        m_Background_splash = read(QStringLiteral("/settings/background/splash"));
        m_Background_main = read(QStringLiteral("/settings/background/main"));
        m_Caption = read(QStringLiteral("/caption"));
        m_HelpFileName = read(QStringLiteral("/help"));
        m_MenuFileName = read(QStringLiteral("/menu"));
        m_UpdateFileName = read(QStringLiteral("/update"));
        m_RootCaption = read(QStringLiteral("/rootcaption"));
        m_Subject = read(QStringLiteral("/subject"));
        return true;
    } catch (const std::exception &e) {
        ui::msgBox(QStringLiteral("设置语言时出错，原因：") + RuntimeError::describe(e), ui::Exclamation,
                   QStringLiteral("错误："));
        return false;
    }
}
