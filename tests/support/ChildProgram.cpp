// Child programs for the process-level tests.
#include "tests/support/ChildProgram.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tests/support/TestSupport.h"

extern char** environ;

namespace testsupport {
namespace {
std::string ReadText(const std::string& path)
{
    const auto bytes = ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}

int g_counter = 0;
}

ChildProgram::ChildProgram(const std::string& program, const std::vector<std::string>& args,
                           const std::map<std::string, std::string>& env, const std::string& workDir)
{
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = std::string(tmp && *tmp ? tmp : "/tmp") + "/tapvox-child-" + std::to_string(getpid()) + "-" +
                             std::to_string(++g_counter);
    outPath_ = base + ".out";
    errPath_ = base + ".err";

    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    std::map<std::string, std::string> vars;
    for (char** e = environ; *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        if (eq) {
            vars[std::string(*e, static_cast<std::size_t>(eq - *e))] = eq + 1;
        }
    }
    for (const auto& [k, v] : env) {
        if (v.empty()) {
            vars.erase(k);
        } else {
            vars[k] = v;
        }
    }
    std::vector<std::string> envText;
    for (const auto& [k, v] : vars) {
        envText.push_back(k + "=" + v);
    }
    std::vector<char*> envp;
    for (auto& e : envText) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!workDir.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    }
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
        pid_ = pid;
    }
    posix_spawn_file_actions_destroy(&actions);
}

ChildProgram::~ChildProgram()
{
    if (pid_ > 0 && !done_) {
        Kill(SIGKILL);
        Wait(10000);
    }
    unlink(outPath_.c_str());
    unlink(errPath_.c_str());
}

bool ChildProgram::Reaped()
{
    int status = 0;
    if (done_ || waitpid(pid_, &status, WNOHANG) != pid_) {
        return done_;
    }
    done_ = true;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    signal_ = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return true;
}

bool ChildProgram::Wait(int timeoutMs, const std::function<void()>& meanwhile)
{
    if (pid_ <= 0) {
        return false;
    }
    return WaitFor(
        [&] {
            if (Reaped()) {
                return true;
            }
            if (meanwhile) {
                meanwhile();
            }
            return false;
        },
        timeoutMs);
}

void ChildProgram::Kill(int signal)
{
    if (pid_ > 0 && !done_) {
        kill(pid_, signal);
    }
}

std::string ChildProgram::Out() const { return ReadText(outPath_); }
std::string ChildProgram::Err() const { return ReadText(errPath_); }

bool WaitFor(const std::function<bool()>& condition, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}
}
