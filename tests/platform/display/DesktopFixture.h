#pragma once
// The desktop tests' fixture: a private X server and the desktop backend for
// the test process, a frame class that logs what it receives, and helpers.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "platform/display/Display.h"
#include "tests/support/platform/display/DisplayTesting.h"
#include "platform/user/Controls.h"
#include "platform/user/Headless.h"
#include "platform/user/Keyboard.h"
#include "platform/user/Window.h"
#include "tests/support/PrivateDisplay.h"

namespace desktoptest {
namespace dt = platform::display::testing;

struct Received {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool shift;
    bool control;
    bool alt;
};
// Everything the logging windows received, in order.
std::vector<Received>& Log();
// Registers "DeskFrame" (logs, closes on WM_CLOSE) once.
void RegisterClasses();
HWND Frame(int x = 40, int y = 40, int w = 360, int h = 260, DWORD style = WS_OVERLAPPEDWINDOW);
HWND Child(HWND parent, LPCSTR cls, LPCSTR text, DWORD style, int id, RECT r);
// Messages of this kind the logging windows received.
std::vector<Received> Seen(UINT message);
POINT Centre(const RECT& r);

// The user's part in a test, in steps run from a timer: they run inside the
// nested loops of message boxes, dialogs and menus too. Each step waits for
// its condition, then acts once.
struct Step {
    std::function<bool()> ready;
    std::function<void()> act;
};
class Script {
public:
    explicit Script(std::vector<Step> steps);
    ~Script();
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;
    bool Finished() const { return next_ >= steps_.size(); }
    void Tick();

private:
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    HWND window_ = nullptr;
    std::chrono::steady_clock::time_point since_;
};

class Desktop : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Shows the window and runs until it and its children are on the screen at their places.
    void ShowAndSettle(HWND top);
};
}
