#pragma once
// TApplication: initialisation, the main window and the message loop.
#include "owl/Window.h"

namespace OWL {
class TFrameWindow;
class TTooltip;

class TApplication : public TModule, virtual public TEventHandler {
public:
    explicit TApplication(LPCSTR name = nullptr, HINSTANCE instance = nullptr);
    ~TApplication() override;
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // The application object of the process (the last one constructed and alive).
    static TApplication* Current();

    // Initialisation, InitMainWindow, the main window's creation and the loop; returns the loop's result.
    virtual int Run();
    virtual void InitApplication();
    virtual void InitInstance();
    virtual void InitMainWindow();
    virtual int TermInstance(int status);
    // Asked on every close request of the main window.
    virtual bool CanClose();
    virtual int MessageLoop();
    // Dispatches everything waiting, re-entrantly; false when nothing was waiting.
    bool PumpWaitingMessages();
    // Offers the message to PreProcessMsg of its window and that window's parents.
    virtual bool ProcessAppMsg(MSG& msg);
    int MessageBox(HWND owner, LPCSTR text, LPCSTR caption = nullptr, UINT type = MB_OK);

    // The tooltip control the main window's controls share; null when the application made none.
    virtual TTooltip* GetTooltip() const { return nullptr; }

    TFrameWindow* GetMainWindow() const { return MainWindow; }
    TFrameWindow* SetMainWindow(TFrameWindow* window);
    void SetCmdShow(int cmdShow) { nCmdShow = cmdShow; }

    int nCmdShow = SW_SHOWNORMAL;

protected:
    TFrameWindow* MainWindow = nullptr;

private:
    TApplication* previous_ = nullptr;
};
}
