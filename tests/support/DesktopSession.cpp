// The desktop test programs' session: a private X server and the desktop backend for the whole process, set up once before the first test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "platform/display/Display.h"
#include "platform/user/Headless.h"
#include "tests/support/DesktopSession.h"

namespace {
class DesktopSession : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("NO_AT_BRIDGE", "1", 1);  // no accessibility bus to talk to on a private display
        setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);  // nor the user's notification area
        display_ = std::make_unique<testsupport::PrivateDisplay>();
        if (display_->name().empty()) {
            return;  // the tests skip: platform::display::Started() stays false
        }
        static char name[] = "tapvox_desktop_tests";
        static char* argv[] = {name, nullptr};
        int argc = 1;
        platform::display::Start(argc, argv);
    }
    testsupport::PrivateDisplay* display() { return display_ && !display_->name().empty() ? display_.get() : nullptr; }
    void TearDown() override
    {
        platform::headless::Reset();
        platform::display::Stop();
        display_.reset();
    }

private:
    std::unique_ptr<testsupport::PrivateDisplay> display_;
};

auto* const g_session = static_cast<DesktopSession*>(::testing::AddGlobalTestEnvironment(new DesktopSession));
}

testsupport::PrivateDisplay* testsupport::SessionDisplay() { return g_session->display(); }
