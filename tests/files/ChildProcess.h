#pragma once
// Child processes for the crash and full-disk tests: one killed with SIGKILL
// while its recording is open, one that runs under a file size limit.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace childtest {
// Runs body in a child process that tells the parent when it is done and then
// waits to be killed; the parent kills it with SIGKILL.
template <typename Body>
void RunAndKill(Body body)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(fds[0]);
        body();
        const char c = 'k';
        (void)!write(fds[1], &c, 1);
        for (;;) {
            pause();
        }
    }
    close(fds[1]);
    char c = 0;
    ASSERT_EQ(read(fds[0], &c, 1), 1);
    close(fds[0]);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
}

// Runs body in a child process whose files cannot grow past limit bytes (a
// full disk for every write beyond it); returns what body returned (0-255),
// or -1 when the child did not exit. Only the soft limit is lowered, so the
// body may make room again with LiftFileLimit.
template <typename Body>
int RunWithFileLimit(rlim_t limit, Body body)
{
    const pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit r{};
        getrlimit(RLIMIT_FSIZE, &r);
        r.rlim_cur = limit;
        if (setrlimit(RLIMIT_FSIZE, &r) != 0) {
            _exit(255);
        }
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Inside RunWithFileLimit: the disk has room again.
inline bool LiftFileLimit()
{
    rlimit r{};
    getrlimit(RLIMIT_FSIZE, &r);
    r.rlim_cur = r.rlim_max;
    return setrlimit(RLIMIT_FSIZE, &r) == 0;
}
}
