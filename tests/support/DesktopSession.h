#pragma once
// The desktop test programs' session (DesktopSession.cpp): its private X server, for tests that start a tray host on it.
#include "tests/support/PrivateDisplay.h"

namespace testsupport {
// Null when no X server could be started.
PrivateDisplay* SessionDisplay();
}
