#pragma once
// The one seam between the program and the person in front of it: message
// boxes, "let pending window events run", and the presentation of operator
// messages of the log service. The shell installs a widget implementation;
// tests install one that answers dialogs and records what was shown.
#include "platform/zenlo_export.h"

#include <QString>

namespace ui {

// Message-box styles and answers, with the values the suite's code uses.
enum Style : int {
    OkOnly = 0,
    OkCancel = 1,
    YesNo = 4,
    Critical = 16,
    Question = 32,
    Exclamation = 48,
    Information = 64,
    DefaultButton2 = 256, // the second button is the default (No of Yes / No)
};
enum Answer : int { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

class ZENLO_CORE_EXPORT IUiService
{
public:
    virtual ~IUiService();
    // style = buttons + icon, as the constants above; returns the answer.
    virtual int messageBox(const QString &text, int style, const QString &title) = 0;
    virtual void doEvents() = 0;
    // An operator message of the log service: level 2 notice, 4 warning, 8 error.
    virtual void presentMessage(int level, const QString &source, const QString &text) = 0;
};

// The installed service; a headless default (answers OK, prints to stderr) when none is.
ZENLO_CORE_EXPORT IUiService &service();
// Installs a service (not owned); nullptr restores the headless default.
ZENLO_CORE_EXPORT void install(IUiService *service);

inline int msgBox(const QString &text, int style = OkOnly, const QString &title = QString())
{
    return service().messageBox(text, style, title);
}
inline void doEvents() { service().doEvents(); }

} // namespace ui
