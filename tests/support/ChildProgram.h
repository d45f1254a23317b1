#pragma once
// A program of the build started as a child process through an argument
// vector, with its own environment additions and working folder, its output
// caught in files, and waited for with a bounded timeout.
#include <functional>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {
class ChildProgram {
public:
    // env: variables set (or, with an empty value, removed) on top of this process's.
    ChildProgram(const std::string& program, const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& env = {}, const std::string& workDir = "");
    ~ChildProgram();  // a child still running is killed
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    // Waits up to timeoutMs for the exit, running meanwhile (each few ms) when given.
    // False when the child still runs.
    bool Wait(int timeoutMs, const std::function<void()>& meanwhile = {});
    bool Exited() const { return done_ && exitCode_ >= 0; }
    int ExitCode() const { return exitCode_; }  // -1 while running or when killed by a signal
    int Signal() const { return signal_; }
    void Kill(int signal);
    std::string Out() const;
    std::string Err() const;

private:
    // Collects the exit status once the child has ended; true from then on.
    bool Reaped();

    pid_t pid_ = -1;
    bool done_ = false;
    int exitCode_ = -1;
    int signal_ = 0;
    std::string outPath_;
    std::string errPath_;
};

// Waits up to timeoutMs for the condition, checking each few milliseconds.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs);
}
