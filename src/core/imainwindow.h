#pragma once
// The main window as the start-up sequence and the session see it. The
// workspace implements it; the composition root creates it.
class QObject;
class QWidget;

namespace bMain {

class IMainWindow
{
public:
    virtual ~IMainWindow() = default;
    virtual QWidget *widget() = 0;
    // Builds the window (its load); errors are reported by the window itself.
    virtual void load() = 0;
    // Shows it modeless (maximised).
    virtual void showWorkspace() = 0;
    // The alert button: its active mark and its second state flag.
    virtual void setAlertButton(bool active, bool switchedOn) = 0;
    // Ends the window's life when the session ends (through the event loop).
    virtual void release() = 0;
};

} // namespace bMain
