#pragma once
// A demo installation with the program-wide objects opened on it and an
// operator logged in, the way the start-up leaves them for the main window.
#include <QString>
#include <QTemporaryDir>
#include <QVariantList>

#include <memory>

#include "core/imenurunner.h"
#include "testsite.h"

#include <functional>

class Database;

namespace wstest {

// Function launch as a test sees it: records what the window asked for.
class RecordingRunner : public IMenuRunner
{
public:
    void ExecuteMenu(const QString &code, bool &inEditWindow, bool &executed) override
    {
        if (run)
            run(code, inEditWindow, executed);
    }
    bool openAlertWindow() override
    {
        ++alertCalls;
        return false;
    }
    void ClearControl(QObject *component) override { cleared << component; }
    void headerButtonClick(int index) override { headerClicks << index; }

    std::function<void(const QString &, bool &, bool &)> run;
    int alertCalls = 0;
    QList<QObject *> cleared;
    QList<int> headerClicks;
};

class Site
{
public:
    // caption names the per-user settings of the run (cleared first);
    // systemInner is put inside <system> after the caption.
    explicit Site(const QString &caption, const QString &systemInner = QString());
    ~Site();

    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

    // Opens the program-wide objects and logs the operator in (again after a
    // log-out). The environment's temporary folder is tempFolder().
    bool open(const QString &operatorName = QStringLiteral("admin"), const QString &password = QString());

    // A statement on the site's database through a connection of its own.
    bool exec(const QString &sql, const QVariantList &params = {});

    testsupport::TestSite &site() { return *m_site; }
    QString programFolder() const { return m_site->programFolder(); }
    QString tempFolder() const;
    void setTempFolder(const QString &folder) { m_temp = folder; }
    QString caption() const { return m_caption; }
    // The theme "blue" of the source tree copied into the program folder.
    bool installTheme();

    // The log file's text so far.
    QString logText() const;

    // The per-user settings of this run.
    QString setting(const QString &key) const;
    void setSetting(const QString &key, const QString &value);

private:
    QString m_caption;
    QString m_systemInner;
    QString m_temp;
    std::unique_ptr<testsupport::TestSite> m_site;
    QString m_error;
};

// A PNG picture of the given size and colour.
QByteArray pngBytes(int size, const QColor &color);
// A zip archive holding bytes under storedName.
QByteArray zipBytes(const QString &storedName, const QByteArray &bytes);

} // namespace wstest
