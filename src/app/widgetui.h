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
