#include "platform/uiservice.h"

#include <QCoreApplication>
#include <QTextStream>

namespace ui {

IUiService::~IUiService() = default;

namespace {

class HeadlessService : public IUiService
{
public:
    int messageBox(const QString &text, int style, const QString &title) override
    {
        QTextStream(stderr) << title << ": " << text << Qt::endl;
        const int buttons = style & 7;
        return buttons == YesNo ? Yes : Ok;
    }
    void doEvents() override
    {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
    }
    void presentMessage(int level, const QString &source, const QString &text) override
    {
        QTextStream(stderr) << source << " [" << level << "] " << text << Qt::endl;
    }
};

HeadlessService g_headless;
IUiService *g_current = nullptr;

} // namespace

IUiService &service()
{
    return g_current ? *g_current : g_headless;
}

void install(IUiService *s)
{
    g_current = s;
}

} // namespace ui
