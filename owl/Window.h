#pragma once
// TWindow: the class library's window object. It owns its child objects,
// creates its window record and dispatches the record's messages through the
// response tables of its class and bases.
#include <memory>
#include <string>
#include <vector>

#include "owl/CommandEnabler.h"
#include "owl/Dc.h"
#include "owl/EventHandler.h"
#include "owl/Geometry.h"
#include "owl/Module.h"
#include "platform/user/Dialogs.h"
#include "platform/user/Timers.h"

namespace OWL {
class TApplication;

// Window flags.
constexpr UINT wfAlias = 0x0001;
constexpr UINT wfAutoCreate = 0x0002;
constexpr UINT wfFromResource = 0x0004;
constexpr UINT wfShrinkToClient = 0x0008;
constexpr UINT wfMainWindow = 0x0010;
constexpr UINT wfFullyCreated = 0x0020;
constexpr UINT wfPredefinedClass = 0x0080;
constexpr UINT wfTransfer = 0x0100;
constexpr UINT wfModalWindow = 0x2000;

enum TTransferDirection { tdGetData, tdSetData, tdSizeData };

struct TWindowAttr {
    DWORD Style = WS_CHILD | WS_VISIBLE;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int W = 0;
    int H = 0;
    int Id = 0;
    int AccelTable = 0;  // resource id; 0 = none
    int Menu = 0;        // resource id; 0 = none
};

class TWindow : virtual public TEventHandler {
public:
    TWindow(TWindow* parent, LPCSTR title = nullptr, TModule* module = nullptr);
    ~TWindow() override;
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;

    // The object of a window record, if the class library created or bound it.
    static TWindow* FromHandle(HWND hwnd);

    HWND GetHandle() const { return Handle; }
    operator HWND() const { return Handle; }
    TWindow* GetParentO() const { return Parent; }
    void SetParent(TWindow* parent);
    TApplication* GetApplication() const;
    TModule* GetModule() const;
    int GetId() const { return Attr.Id; }

    // Creation and set-up.
    virtual bool Create();
    virtual void SetupWindow();
    virtual void CleanupWindow();
    virtual LPCSTR GetClassName();
    virtual void GetWindowClass(WNDCLASSA& wc);
    bool CreateChildren();
    // Binds to the record of an existing window (a template control).
    bool Attach(HWND hwnd);

    virtual bool CanClose();
    virtual bool PreProcessMsg(MSG& msg);
    virtual void CloseWindow(int retVal = 0);
    virtual void Destroy(int retVal = 0);

    // Message handling.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT ReceiveMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // The default answer to the message being handled.
    LRESULT DefaultProcessing();
    virtual LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void Paint(TDC& dc, bool erase, TRect& rect);
    // Owner-drawn controls draw themselves from their parent's WM_DRAWITEM.
    virtual bool DrawItemAtChild(DRAWITEMSTRUCT& drawInfo);
    // Commands no table of this window took: frames pass them on.
    virtual bool RouteCommand(TEventInfo& info);
    // Asks the command chain to enable a command; true when some table answered.
    virtual bool EvCommandEnable(TCommandEnabler& enabler);

    // Data transfer of dialog-like windows.
    virtual void TransferData(TTransferDirection direction);

    // Children.
    const std::vector<TWindow*>& Children() const { return children_; }
    TWindow* ChildWithId(int id) const;
    void ChildBroadcastMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    // Flags.
    void SetFlag(UINT mask) { flags_ |= mask; }
    void ClearFlag(UINT mask) { flags_ &= ~mask; }
    bool IsFlagSet(UINT mask) const { return (flags_ & mask) != 0; }

    // The window functions on this window.
    void SetCaption(LPCSTR title);
    LPCSTR GetCaption() const { return Title.c_str(); }
    std::string GetWindowText() const;
    int GetWindowText(LPSTR buffer, int size) const { return ::GetWindowTextA(Handle, buffer, size); }
    void SetWindowText(LPCSTR text) { ::SetWindowTextA(Handle, text); }
    bool ShowWindow(int cmd) { return ::ShowWindow(Handle, cmd) != 0; }
    bool IsWindow() const { return ::IsWindow(Handle) != 0; }
    bool IsWindowVisible() const { return ::IsWindowVisible(Handle) != 0; }
    bool IsWindowEnabled() const { return ::IsWindowEnabled(Handle) != 0; }
    bool EnableWindow(bool enable) { return ::EnableWindow(Handle, enable ? TRUE : FALSE) != 0; }
    void Invalidate(bool erase = true) { ::InvalidateRect(Handle, nullptr, erase ? TRUE : FALSE); }
    void InvalidateRect(const TRect& rect, bool erase = true) { ::InvalidateRect(Handle, &rect, erase ? TRUE : FALSE); }
    void UpdateWindow() { ::UpdateWindow(Handle); }
    bool SetWindowPos(HWND after, int x, int y, int w, int h, UINT flags) { return ::SetWindowPos(Handle, after, x, y, w, h, flags) != 0; }
    bool SetWindowPos(HWND after, const TRect& r, UINT flags) { return SetWindowPos(after, r.left, r.top, r.Width(), r.Height(), flags); }
    bool MoveWindow(int x, int y, int w, int h, bool repaint = false) { return ::MoveWindow(Handle, x, y, w, h, repaint) != 0; }
    bool MoveWindow(const TRect& r, bool repaint = false) { return MoveWindow(r.left, r.top, r.Width(), r.Height(), repaint); }
    TRect GetWindowRect() const;
    TRect GetClientRect() const;
    void ScreenToClient(TPoint& p) const { ::ScreenToClient(Handle, &p); }
    void ClientToScreen(TPoint& p) const { ::ClientToScreen(Handle, &p); }
    HWND ChildWindowFromPoint(const TPoint& p) const { return ::ChildWindowFromPoint(Handle, p); }
    bool PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) { return ::PostMessage(Handle, msg, wParam, lParam) != 0; }
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) { return ::SendMessage(Handle, msg, wParam, lParam); }
    UINT_PTR SetTimer(UINT_PTR id, UINT ms) { return ::SetTimer(Handle, id, ms, nullptr); }
    bool KillTimer(UINT_PTR id) { return ::KillTimer(Handle, id) != 0; }
    HWND SetCapture() { return ::SetCapture(Handle); }
    void ReleaseCapture() { ::ReleaseCapture(); }
    HWND SetFocus() { return ::SetFocus(Handle); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(Handle, id); }
    LRESULT SendDlgItemMessage(int id, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return ::SendDlgItemMessageA(Handle, id, msg, wParam, lParam);
    }
    void SetDlgItemText(int id, LPCSTR text) { ::SetDlgItemTextA(Handle, id, text); }
    UINT GetDlgItemText(int id, LPSTR buffer, int size) const { return ::GetDlgItemTextA(Handle, id, buffer, size); }
    void CheckDlgButton(int id, UINT check) { ::CheckDlgButton(Handle, id, check); }
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(Handle, id); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrA(Handle, GWL_STYLE)); }
    void SetStyle(DWORD style) { ::SetWindowLongPtrA(Handle, GWL_STYLE, static_cast<LONG_PTR>(style)); }
    bool ModifyStyle(DWORD remove, DWORD add);
    int MessageBox(LPCSTR text, LPCSTR caption = nullptr, UINT type = MB_OK);

    TWindowAttr Attr;
    std::string Title;
    TWindow* Parent = nullptr;

protected:
    // Handlers of TWindow's own table; derived tables call them for the base behaviour.
    void EvClose();
    void EvDestroy();
    void EvSysCommand(UINT cmdType, const TPoint& point);
    LRESULT EvCommand(UINT id, HWND control, UINT notifyCode);
    LRESULT EvNotify(UINT id, NMHDR& header);
    void EvCreate();

    HWND Handle = nullptr;
    WNDPROC DefaultProc = nullptr;
    TModule* Module = nullptr;

private:
    friend LRESULT OwlWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend std::intptr_t OwlDialogProc(HWND, UINT, WPARAM, LPARAM);
    void Detach();
    bool RegisterOwnClass();

    struct CurrentEvent {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<CurrentEvent> events_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::vector<TWindow*> children_;
    UINT flags_ = 0;

    DECLARE_RESPONSE_TABLE(TWindow)
};

LRESULT OwlWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
std::intptr_t OwlDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The object the next window created belongs to (set just before creating it).
void SetCreatingWindow(TWindow* window);
void SetCreatingDialog(TWindow* dialog);
// The class library's own window classes that templates may name ("OWL_Gauge").
void RegisterFrameworkClasses();
}
