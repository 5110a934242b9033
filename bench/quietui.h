#pragma once
// The message service of the benchmarks that drive the real window: message
// boxes are answered by themselves.
#include "platform/uiservice.h"

#include <QCoreApplication>

#include <cstdio>

namespace benchsupport {

// Message boxes are printed and answered OK; warnings and errors are printed.
class QuietUi : public ui::IUiService
{
public:
    int messageBox(const QString &text, int, const QString &) override
    {
        std::printf("message box: %s\n", qPrintable(text));
        return ui::Ok;
    }
    void doEvents() override { QCoreApplication::processEvents(); }
    void presentMessage(int level, const QString &, const QString &text) override
    {
        if (level >= 4)
            std::printf("message: %s\n", qPrintable(text));
    }
};

} // namespace benchsupport
