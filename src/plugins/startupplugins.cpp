#include "plugins/startupplugins.h"

#include "components/sysservices.h"
#include "components/xmldocument.h"
#include "core/bcommon.h"
#include "core/clsconfig.h"
#include "core/contracts.h"
#include "core/logger.h"
#include "core/session.h"
#include "platform/appinfo.h"
#include "platform/modcreateobj.h"
#include "platform/objectfactory.h"
#include "platform/runtimeerror.h"
#include "platform/vbconv.h"
#include "util/clsregistryaccess.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <memory>

namespace plugins {

namespace {

QString nodeText(const XmlDocument &xml, const QString &path)
{
    return xml.value(path).value_or(QString());
}

// The active attribute joined to an empty text: a missing attribute reads "".
QString activeText(const XmlDocument &xml, const QString &entry)
{
    return xml.attribute(entry, QStringLiteral("active")).value_or(QString());
}

std::unique_ptr<QObject> createPlugin(clsRegistryAccess &registry, const QString &className, const QString &fileName,
                                      const PathContext &ctx)
{
    if (registry.KeyExists(QStringLiteral("HKEY_CLASSES_ROOT\\") + className)) {
        QString error;
        std::unique_ptr<QObject> object(objects::createObject(className, &error));
        if (!object)
            throw RuntimeError(error, RuntimeError::CannotCreateObject);
        return object;
    }
    const QString path = bCommon::ExpandPath(fileName, false, ctx);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return nullptr;
    std::unique_ptr<QObject> object(modCreateObj::CreateFromDll(path, className));
    // The start-up goes on without it; the administrator finds why in the log
    // (and the library among the refused ones of the diagnostics page).
    if (!object) {
        const QString why = modCreateObj::lastLoadError(path);
        Logger::WriteLogOnly(QStringLiteral("启动插件 %1 未能创建，文件 %2 不能使用%3，程序继续运行。")
                                 .arg(className, QDir::toNativeSeparators(path),
                                      why.isEmpty() ? QString() : QStringLiteral("（") + why + QStringLiteral("）")),
                             4);
    }
    return object;
}

} // namespace

void RunConfiguredPlugins(Session &session, int32_t stage)
{
    const clsConfig *config = session.config.get();
    const XmlDocument *xml = config ? config->XML() : nullptr;
    if (!xml || !xml->isLoaded())
        return;
    const QString list = QStringLiteral("/configuration/system/plugins/plugin");
    const int n = xml->count(list);
    std::unique_ptr<clsRegistryAccess> registry;
    std::unique_ptr<QObject> object;
    try {
        for (int i = 1; i <= n; ++i) {
            const QString entry = list + QLatin1Char('[') + QString::number(i - 1) + QLatin1Char(']');
            if (activeText(*xml, entry) != QStringLiteral("加载"))
                continue;
            // The stage is read as a number: "abc" is 0 and matches no stage.
            const double style = vbconv::leadingNumber(nodeText(*xml, entry + QStringLiteral("/style")));
            if (!(std::isfinite(style) && style == double(stage)))
                continue;
            const QString className = nodeText(*xml, entry + QStringLiteral("/classname"));
            const QString fileName = nodeText(*xml, entry + QStringLiteral("/filename"));
            if (!registry)
                registry = std::make_unique<clsRegistryAccess>();
            object = createPlugin(*registry, className, fileName, PathContext::current());
            if (!object)
                continue;
            IStartupPlugin *plugin = qobject_cast<IStartupPlugin *>(object.get());
            if (!plugin)
                throw RuntimeError(QStringLiteral("类型不匹配"), RuntimeError::TypeMismatch);
            IPluginEnvironment *env = plugin->Environment();
            if (!env)
                throw RuntimeError(QStringLiteral("对象变量或 With 块变量未设置"), RuntimeError::ObjectNotSet);
            env->setConfigFile(config->ConfigFileName());
            env->setAppFolder(appinfo::programFolder());
            env->setCaption(config->Caption());
            if (SystemServices *sys = session.sys.get()) {
                const QString code = sys->systemCode(12);
                env->setAccountPeriod(sys->accountPeriod(code, 0).current);
                env->setCompany(sys->companyInfo().text());
            }
            plugin->Initialise();
            QString output;
            plugin->Run(QString(), output);
            const ErrorInfo error = plugin->LastError();
            if (!error.description.isEmpty()) {
                Logger::WriteMessage(error.description + QStringLiteral("\r\n\r\n程序继续运行！"), 4);
            } else if (session.op && !session.op->name().isEmpty()) {
                Logger::WriteOperation(QStringLiteral("运行插件[") + plugin->Name() + QStringLiteral("]"), 0);
            }
            object.reset();
        }
    } catch (const std::exception &e) {
        object.reset();
        Logger::WriteMessage(QStringLiteral("插件运行时发生错误，原因：") + RuntimeError::describe(e)
                                 + QStringLiteral("\r\n\r\n主程序继续运行!"),
                             4, QStringLiteral("错误："));
    } catch (...) {
        object.reset();
        Logger::WriteMessage(QStringLiteral("插件运行时发生错误，原因：插件引发了无法识别的异常\r\n\r\n主程序继续运行!"), 4,
                             QStringLiteral("错误："));
    }
}

} // namespace plugins
