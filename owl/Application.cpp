// Each message is offered for pre-processing to its window and that window's parents; a pump leaves WM_QUIT for its loop.
#include "owl/Application.h"

#include "owl/FrameWindow.h"

namespace OWL {
namespace {
TApplication* g_current = nullptr;

bool AppHook(MSG* msg) { return g_current && msg && g_current->ProcessAppMsg(*msg); }
}

TApplication::TApplication(LPCSTR name, HINSTANCE instance) : TModule(name, instance), previous_(g_current)
{
    g_current = this;
    platform::SetPreTranslateHook(AppHook);
}

TApplication::~TApplication()
{
    delete MainWindow;
    MainWindow = nullptr;
    g_current = previous_;
    platform::SetPreTranslateHook(g_current ? AppHook : nullptr);
}

TApplication* TApplication::Current() { return g_current; }

TFrameWindow* TApplication::SetMainWindow(TFrameWindow* window)
{
    TFrameWindow* old = MainWindow;
    if (old) {
        old->ClearFlag(wfMainWindow);
    }
    MainWindow = window;
    if (window) {
        window->SetFlag(wfMainWindow);
    }
    return old;
}

void TApplication::InitApplication() {}

void TApplication::InitMainWindow() { SetMainWindow(new TFrameWindow(nullptr, GetName())); }

void TApplication::InitInstance()
{
    InitMainWindow();
    if (MainWindow) {
        MainWindow->SetFlag(wfMainWindow);
        if (MainWindow->Create()) {
            MainWindow->ShowWindow(nCmdShow);
        }
    }
}

int TApplication::TermInstance(int status) { return status; }

int TApplication::Run()
{
    InitApplication();
    InitInstance();
    if (!MainWindow || !MainWindow->GetHandle()) {
        return TermInstance(-1);
    }
    return TermInstance(MessageLoop());
}

bool TApplication::CanClose() { return !MainWindow || MainWindow->CanClose(); }

int TApplication::MessageLoop()
{
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) {
        if (!ProcessAppMsg(msg)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}

bool TApplication::PumpWaitingMessages()
{
    bool any = false;
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave the quit for the loop that owns it.
            PostMessage(msg.hwnd, WM_QUIT, msg.wParam, msg.lParam);
            return any;
        }
        any = true;
        if (!ProcessAppMsg(msg)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    return any;
}

bool TApplication::ProcessAppMsg(MSG& msg)
{
    for (HWND h = msg.hwnd; h; h = ::GetParent(h)) {
        TWindow* w = TWindow::FromHandle(h);
        if (w && w->PreProcessMsg(msg)) {
            return true;
        }
    }
    return false;
}

int TApplication::MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    return ::MessageBoxA(owner, text, caption ? caption : GetName(), type);
}
}
