#pragma once
// The message service of the benchmarks that drive the real window: message
// boxes are answered by themselves.
#include "platform/uiservice.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

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

// The platform of a benchmark that opens windows: offscreen unless one is named. Called
// before its QApplication is made.
inline void headless()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// For as long as it lives: a registry folder of the benchmark's own and message boxes
// answered by themselves.
class QuietProcess
{
public:
    QuietProcess()
    {
        qputenv("ZENLO_REGISTRY_DIR", QFile::encodeName(m_home.filePath(QStringLiteral("registry"))));
        ui::install(&m_ui);
    }
    ~QuietProcess() { ui::install(nullptr); }
    QuietProcess(const QuietProcess &) = delete;
    QuietProcess &operator=(const QuietProcess &) = delete;

private:
    QTemporaryDir m_home;
    QuietUi m_ui;
};

} // namespace benchsupport
