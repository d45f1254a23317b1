#pragma once
// A private D-Bus session bus for one test: dbus-daemon on a socket of its own, which
// reports its address once it accepts clients. Nothing of the user's session is reached.
#include <string>
#include <sys/types.h>

namespace testsupport {
class PrivateSessionBus {
public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;
    // Empty when the daemon could not start (dbus-daemon missing).
    const std::string& address() const { return address_; }

private:
    pid_t daemon_ = -1;
    std::string address_;
};
}
