// The desktop tests' view of another program's windows through the X server: its top-level windows, the input focus, a window manager's close request and the screen's pixels.
#include "platform/core/Strings.h"
#include "platform/display/DisplayTesting.h"

#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>
#include <unistd.h>

namespace platform::display::testing {
namespace {
Display* XDisplay()
{
    GdkDisplay* display = gdk_display_get_default();
    return display && GDK_IS_X11_DISPLAY(display) ? GDK_DISPLAY_XDISPLAY(display) : nullptr;
}

// A window that goes while it is looked at raises an X error: it is ignored, never fatal.
class IgnoreErrors {
public:
    IgnoreErrors() : display_(gdk_display_get_default()) { gdk_x11_display_error_trap_push(display_); }
    ~IgnoreErrors() { gdk_x11_display_error_trap_pop_ignored(display_); }
    IgnoreErrors(const IgnoreErrors&) = delete;
    IgnoreErrors& operator=(const IgnoreErrors&) = delete;

private:
    GdkDisplay* display_;
};

std::string Title(Display* d, Window w)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), 0, 1024, False,
                           XInternAtom(d, "UTF8_STRING", False), &type, &format, &count, &after, &data) == Success &&
        data && format == 8) {
        title.assign(reinterpret_cast<const char*>(data), count);
    }
    if (data) {
        XFree(data);
    }
    if (title.empty()) {
        char* name = nullptr;
        if (XFetchName(d, w, &name) && name) {
            title = name;
            XFree(name);
        }
    }
    return title;
}

// The window's _NET_WM_WINDOW_TYPE without its prefix.
std::string Type(Display* d, Window w)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_WINDOW_TYPE", False), 0, 1, False, XA_ATOM, &type, &format,
                           &count, &after, &data) == Success &&
        data && format == 32 && count == 1) {
        if (char* atom = XGetAtomName(d, *reinterpret_cast<const Atom*>(data))) {
            name = atom;
            XFree(atom);
        }
    }
    if (data) {
        XFree(data);
    }
    const std::string prefix = "_NET_WM_WINDOW_TYPE_";
    return name.rfind(prefix, 0) == 0 ? name.substr(prefix.size()) : name;
}

bool OfThisProcess(Display* d, Window w)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    bool own = false;
    if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data && format == 32 && count == 1) {
        own = *reinterpret_cast<const unsigned long*>(data) == static_cast<unsigned long>(getpid());
    }
    if (data) {
        XFree(data);
    }
    return own;
}

bool OfClass(Display* d, Window w, const std::string& windowClass)
{
    XClassHint hint{};
    if (!XGetClassHint(d, w, &hint)) {
        return false;
    }
    const bool match = (hint.res_name && EqualsNoCase(hint.res_name, windowClass)) ||
                       (hint.res_class && EqualsNoCase(hint.res_class, windowClass));
    if (hint.res_name) {
        XFree(hint.res_name);
    }
    if (hint.res_class) {
        XFree(hint.res_class);
    }
    return match;
}
}

std::vector<ForeignWindow> ForeignWindows(const std::string& windowClass)
{
    std::vector<ForeignWindow> out;
    Display* d = XDisplay();
    if (!d) {
        return out;
    }
    IgnoreErrors ignore;
    Window root = DefaultRootWindow(d);
    Window parent = 0;
    Window* kids = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, root, &root, &parent, &kids, &count)) {
        return out;
    }
    // The tree lists the stack from the bottom.
    for (unsigned i = count; i-- > 0;) {
        XWindowAttributes a{};
        if (!XGetWindowAttributes(d, kids[i], &a) || a.map_state != IsViewable || !OfClass(d, kids[i], windowClass) ||
            OfThisProcess(d, kids[i])) {
            continue;
        }
        ForeignWindow w;
        w.id = kids[i];
        w.title = Title(d, kids[i]);
        w.type = Type(d, kids[i]);
        int x = 0;
        int y = 0;
        Window child = 0;
        XTranslateCoordinates(d, kids[i], root, 0, 0, &x, &y, &child);
        w.screen = RECT{x, y, x + a.width, y + a.height};
        out.push_back(w);
    }
    if (kids) {
        XFree(kids);
    }
    return out;
}

bool HasInputFocus(unsigned long id)
{
    Display* d = XDisplay();
    if (!d) {
        return false;
    }
    IgnoreErrors ignore;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(d, &focus, &revert);
    const Window rootWindow = DefaultRootWindow(d);
    // The focus may rest on a window inside the top-level one.
    while (focus != None && focus != PointerRoot && focus != rootWindow) {
        if (focus == id) {
            return true;
        }
        Window root = 0;
        Window parent = 0;
        Window* kids = nullptr;
        unsigned count = 0;
        if (!XQueryTree(d, focus, &root, &parent, &kids, &count)) {
            return false;
        }
        if (kids) {
            XFree(kids);
        }
        focus = parent;
    }
    return false;
}

bool CloseAsWindowManager(unsigned long id)
{
    Display* d = XDisplay();
    if (!d) {
        return false;
    }
    IgnoreErrors ignore;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = id;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(d, id, False, NoEventMask, &e);
    XSync(d, False);
    return sent != 0;
}

void ClickThroughXTest(POINT screen, bool right, int times)
{
    Display* d = XDisplay();
    if (!d) {
        return;
    }
    XTestFakeMotionEvent(d, -1, static_cast<int>(screen.x), static_cast<int>(screen.y), CurrentTime);
    for (int i = 0; i < times; ++i) {
        XTestFakeButtonEvent(d, right ? 3 : 1, True, CurrentTime);
        XTestFakeButtonEvent(d, right ? 3 : 1, False, CurrentTime);
    }
    XSync(d, False);
}

std::vector<std::uint32_t> ScreenPixels(const RECT& area)
{
    std::vector<std::uint32_t> out;
    Display* d = XDisplay();
    const int w = area.right - area.left;
    const int h = area.bottom - area.top;
    if (!d || w <= 0 || h <= 0) {
        return out;
    }
    IgnoreErrors ignore;
    XImage* image = XGetImage(d, DefaultRootWindow(d), area.left, area.top, static_cast<unsigned>(w),
                              static_cast<unsigned>(h), AllPlanes, ZPixmap);
    if (!image) {
        return out;
    }
    out.reserve(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            out.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF));
        }
    }
    XDestroyImage(image);
    return out;
}
}
