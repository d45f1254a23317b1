// The desktop tests' view of another program's windows through the X server: its top-level windows, the input focus, a window manager's close request and the screen's pixels.
#include "platform/core/Strings.h"
#include "tests/support/platform/display/DisplayTesting.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>
#include <unistd.h>

#include <string>
#include <vector>

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

// A property's items as the server keeps them (chars for 8-bit ones, longs for 32-bit
// ones); empty when the window has none of that type.
template <typename T>
std::vector<T> Property(Display* d, Window w, const char* name, Atom wanted, long items)
{
    constexpr int kFormat = sizeof(T) == 1 ? 8 : 32;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::vector<T> out;
    if (XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, items, False, wanted, &type, &format, &count, &after,
                           &data) == Success &&
        data && format == kFormat) {
        const T* first = reinterpret_cast<const T*>(data);
        out.assign(first, first + count);
    }
    if (data) {
        XFree(data);
    }
    return out;
}

std::string Title(Display* d, Window w)
{
    const std::vector<char> utf8 = Property<char>(d, w, "_NET_WM_NAME", XInternAtom(d, "UTF8_STRING", False), 1024);
    std::string title(utf8.begin(), utf8.end());
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
    const std::vector<unsigned long> atoms = Property<unsigned long>(d, w, "_NET_WM_WINDOW_TYPE", XA_ATOM, 1);
    std::string name;
    if (!atoms.empty()) {
        if (char* atom = XGetAtomName(d, static_cast<Atom>(atoms.front()))) {
            name = atom;
            XFree(atom);
        }
    }
    const std::string prefix = "_NET_WM_WINDOW_TYPE_";
    return name.rfind(prefix, 0) == 0 ? name.substr(prefix.size()) : name;
}

// The program's own window in a child of the root: itself, or, where a window manager put
// it into a frame of its own, the window below the frame that carries a class.
Window ClientOf(Display* d, Window w, int depth = 0)
{
    XClassHint hint{};
    if (XGetClassHint(d, w, &hint)) {
        if (hint.res_name) {
            XFree(hint.res_name);
        }
        if (hint.res_class) {
            XFree(hint.res_class);
        }
        return w;
    }
    Window root = 0;
    Window parent = 0;
    Window* kids = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (depth < 3 && XQueryTree(d, w, &root, &parent, &kids, &count)) {
        for (unsigned i = 0; i < count && !found; ++i) {
            found = ClientOf(d, kids[i], depth + 1);
        }
    }
    if (kids) {
        XFree(kids);
    }
    return found;
}

bool OfThisProcess(Display* d, Window w)
{
    const std::vector<unsigned long> pid = Property<unsigned long>(d, w, "_NET_WM_PID", XA_CARDINAL, 1);
    return !pid.empty() && pid.front() == static_cast<unsigned long>(getpid());
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
        if (!XGetWindowAttributes(d, kids[i], &a) || a.map_state != IsViewable) {
            continue;
        }
        const Window client = ClientOf(d, kids[i]);
        if (!client || !XGetWindowAttributes(d, client, &a) || a.map_state != IsViewable ||
            !OfClass(d, client, windowClass) || OfThisProcess(d, client)) {
            continue;
        }
        ForeignWindow w;
        w.id = client;
        w.title = Title(d, client);
        w.type = Type(d, client);
        int x = 0;
        int y = 0;
        Window child = 0;
        XTranslateCoordinates(d, client, root, 0, 0, &x, &y, &child);
        w.screen = RECT{x, y, x + a.width, y + a.height};
        out.push_back(w);
    }
    if (kids) {
        XFree(kids);
    }
    return out;
}

std::string WindowManagerName()
{
    Display* d = XDisplay();
    if (!d) {
        return {};
    }
    IgnoreErrors ignore;
    const std::vector<unsigned long> check =
        Property<unsigned long>(d, DefaultRootWindow(d), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, 1);
    if (check.empty()) {
        return {};
    }
    // A check window left behind by a window manager that has gone points to nothing.
    const std::vector<unsigned long> self =
        Property<unsigned long>(d, static_cast<Window>(check.front()), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, 1);
    if (self.empty() || self.front() != check.front()) {
        return {};
    }
    const std::string name = Title(d, static_cast<Window>(check.front()));
    return name.empty() ? "unnamed" : name;
}

WindowSizeHints SizeHints(unsigned long id)
{
    WindowSizeHints out;
    Display* d = XDisplay();
    if (!d) {
        return out;
    }
    IgnoreErrors ignore;
    XSizeHints hints{};
    long supplied = 0;
    if (!XGetWMNormalHints(d, id, &hints, &supplied)) {
        return out;
    }
    if (hints.flags & PMinSize) {
        out.min = SIZE{hints.min_width, hints.min_height};
    }
    if (hints.flags & PMaxSize) {
        out.max = SIZE{hints.max_width, hints.max_height};
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
