// Xvfb started with -displayfd, which reports the display number it took once it accepts clients: no guessing, no waiting blindly.
#include "tests/support/PrivateDisplay.h"
#include "tests/support/TestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace testsupport {
namespace {
void Stop(pid_t& pid)
{
    if (pid > 0) {
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
    }
}

// The server goes with the test process, however that ends.
void Quiet()
{
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        close(null);
    }
}
}

PrivateDisplay::PrivateDisplay()
{
    if (const char* d = std::getenv("DISPLAY")) {
        hadDisplay_ = true;
        oldDisplay_ = d;
    }
    int fds[2];
    if (pipe(fds) != 0) {
        return;
    }
    server_ = fork();
    if (server_ == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        Quiet();
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (server_ < 0) {
        close(fds[0]);
        return;
    }
    std::string number;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (number.find('\n') == std::string::npos && std::chrono::steady_clock::now() < end) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 200) <= 0) {
            continue;
        }
        char buf[16];
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) {
            break;  // the server ended before it reported
        }
        number.append(buf, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    const std::size_t nl = number.find('\n');
    if (nl == std::string::npos || nl == 0) {
        Stop(server_);
        return;
    }
    name_ = std::string(":").append(number, 0, nl);
    setenv("DISPLAY", name_.c_str(), 1);
}

PrivateDisplay::~PrivateDisplay()
{
    StopTray();
    StopWindowManager();
    Stop(server_);
    if (hadDisplay_) {
        setenv("DISPLAY", oldDisplay_.c_str(), 1);
    } else {
        unsetenv("DISPLAY");
    }
}

bool PrivateDisplay::StartTray()
{
    if (name_.empty() || tray_ > 0) {
        return tray_ > 0;
    }
    tray_ = fork();
    if (tray_ == 0) {
        Quiet();
        execlp("trayer", "trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--SetDockType", "true",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    return tray_ > 0;
}

void PrivateDisplay::StopTray() { Stop(tray_); }

bool PrivateDisplay::StartWindowManager()
{
    if (name_.empty() || windowManager_ > 0) {
        return windowManager_ > 0;
    }
    const std::string found = RunCapture("command -v openbox");
    if (found.empty()) {
        return false;  // not installed: fork would only report it too late
    }
    windowManager_ = fork();
    if (windowManager_ == 0) {
        Quiet();
        execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
        _exit(127);
    }
    return windowManager_ > 0;
}

void PrivateDisplay::StopWindowManager() { Stop(windowManager_); }
}
