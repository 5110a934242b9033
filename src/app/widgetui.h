#pragma once
// The UI service with real windows: message boxes, pending events, and the
// operator messages of the log service (notice, warning, error boxes).
#include "platform/uiservice.h"

class WidgetUi : public ui::IUiService
{
public:
    int messageBox(const QString &text, int style, const QString &title) override;
    void doEvents() override;
    void presentMessage(int level, const QString &source, const QString &text) override;
};

class QWidget;
class Database;

namespace widgetui {

// Loads Qt's own texts (standard buttons, dialogs) in Simplified Chinese, the
// operators' language: qtbase_zh_CN from the program folder's "translations"
// folder, else from Qt's. False when neither has it; *from names the file loaded.
bool loadQtTranslations(QString *from = nullptr);

// A small window that says what the program is busy with, for work that keeps
// the user-interface thread for seconds (the first start's demo database).
// Shown and painted when made; gone when destroyed.
class BusyNotice
{
public:
    explicit BusyNotice(const QString &text);
    ~BusyNotice();
    BusyNotice(const BusyNotice &) = delete;
    BusyNotice &operator=(const BusyNotice &) = delete;
    QWidget *window() const { return m_window; }

private:
    QWidget *m_window = nullptr;
};

// The program's first start on its demo configuration: creates the demo
// database when it is missing (Database::demoDatabaseFile says where), with a
// notice on screen meanwhile. False after telling the operator it could not.
bool prepareDemoDatabase(const QString &configPath);
// The connected database, when it is a demo database an earlier build made,
// gets today's tables; a failure is told to the operator and the start goes on.
void upgradeDemoDatabase(Database &db);

} // namespace widgetui
