// dbus-daemon started with --print-address on a pipe: the address arrives once the bus listens.
#include "tests/support/PrivateSessionBus.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

namespace testsupport {
PrivateSessionBus::PrivateSessionBus()
{
    int fds[2];
    if (pipe(fds) != 0) {
        return;
    }
    daemon_ = fork();
    if (daemon_ == 0) {
        close(fds[0]);
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 2);
            close(null);
        }
        const std::string fd = "--print-address=" + std::to_string(fds[1]);
        execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile", fd.c_str(),
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (daemon_ < 0) {
        close(fds[0]);
        return;
    }
    std::string line;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < end) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 200) <= 0) {
            continue;
        }
        char buf[256];
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) {
            break;  // the daemon ended before it reported
        }
        line.append(buf, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    const std::size_t nl = line.find('\n');
    if (nl == std::string::npos || nl == 0) {
        kill(daemon_, SIGTERM);
        waitpid(daemon_, nullptr, 0);
        daemon_ = -1;
        return;
    }
    address_ = line.substr(0, nl);
}

PrivateSessionBus::~PrivateSessionBus()
{
    if (daemon_ > 0) {
        kill(daemon_, SIGTERM);
        waitpid(daemon_, nullptr, 0);
    }
}
}
