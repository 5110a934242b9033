#pragma once
// The program's configuration: one XML file loaded once at start. Frequently
// used settings are copied into typed properties; the document itself stays
// available (XML()) for the settings read by path. Nothing is written back.
#include "core/bcommon.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QIODevice;
class XmlDocument;

class ZENLO_CORE_EXPORT clsConfig
{
public:
    explicit clsConfig(const PathContext &ctx = PathContext::current());
    ~clsConfig();

    XmlDocument *XML() const { return m_XML.get(); }
    void Clear();

    QString Background_main() const { return m_Background_main; }
    void setBackground_main(const QString &v) { m_Background_main = v; }
    QString Background_splash() const { return m_Background_splash; }
    void setBackground_splash(const QString &v) { m_Background_splash = v; }
    QString Background_Login() const { return m_Background_Login; }
    void setBackground_Login(const QString &v) { m_Background_Login = v; }

    bool Init(const QString &fileName);
    // The same from a configuration already in memory or on a device (read to
    // its end); fileName is what ConfigFileName reports.
    bool Init(QIODevice *device, const QString &fileName = QString());
    bool InitData(const QByteArray &bytes, const QString &fileName = QString());

    QString ConfigFileName() const { return m_ConfigFileName; }
    QString MenuFileName() const { return m_MenuFileName; }
    QString UpdateFileName() const { return m_UpdateFileName; }
    void setUpdateFileName(const QString &v) { m_UpdateFileName = v; }
    int16_t TreeWidth() const;
    void setTreeWidth(int16_t v) { m_TreeWidth = v; }
    int16_t SplashDelay() const;
    QString Caption() const { return m_Caption; }
    void setCaption(const QString &v) { m_Caption = v; }
    QString HelpFileName() const { return m_HelpFileName; }
    void setHelpFileName(const QString &v) { m_HelpFileName = v; }
    double MenuToolWidth() const { return double(m_MenuToolWidth); }
    bool AutoRegister() const;
    void setAutoRegister(bool v) { m_AutoRegister = v ? QStringLiteral("1") : QStringLiteral("0"); }
    bool AutoResize() const { return m_AutoResize; }
    void setAutoResize(bool v) { m_AutoResize = v; }
    bool SetLanguague(const QString &languageFile, int windowCode);
    QString Subject() const { return m_Subject; }
    void setSubject(const QString &v) { m_Subject = v; }
    QString RootCaption() const { return m_RootCaption; }
    void setRootCaption(const QString &v) { m_RootCaption = v; }
    int32_t MenuMode() const { return m_MenuMode; }
    int32_t Navigate() const { return m_Navigate; }
    void setNavigate(int32_t v) { m_Navigate = v; }
    bool UnFormStatus() const { return m_UnFormStatus; }
    void setUnFormStatus(bool v) { m_UnFormStatus = v; }

    // Why the last Init returned false (for administrators; the program itself shows its own message).
    QString lastError() const { return m_lastError; }
    // Why the last Init failed, in the operator's words (the load's reason for a file that
    // cannot be read or is no XML; otherwise the same as lastError()).
    QString operatorError() const { return m_operatorError.isEmpty() ? m_lastError : m_operatorError; }
    // A single value of the loaded document by path, "" when the node is absent.
    QString value(const QString &xpath) const;
    const PathContext &pathContext() const { return m_ctx; }

private:
    QString pathRule(const QString &text) const;
    bool Init(const QString &fileName, const std::function<bool(XmlDocument &)> &load);

    PathContext m_ctx;
    QString m_Background_main;
    QString m_Background_splash;
    QString m_Background_Login;
    int32_t m_TreeWidth = 0;
    QString m_Caption = QStringLiteral("Zenlo系统");
    QString m_HelpFileName;
    QString m_UpdateFileName;
    QString m_MenuFileName;
    int32_t m_MenuToolWidth = 0;
    int32_t m_SplashDelay = 0;
    QString m_Subject;
    QString m_RootCaption;
    QString m_ConfigFileName;
    std::unique_ptr<XmlDocument> m_XML;
    QString m_AutoRegister;
    bool m_AutoResize = false;
    int32_t m_MenuMode = 0;
    int32_t m_Navigate = 0;
    bool m_UnFormStatus = false;
    QString m_lastError;
    QString m_operatorError;
};
