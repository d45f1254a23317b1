// Programs started by argument vector with posix_spawnp and reaped on a thread of their own.
#include "platform/kernel/Processes.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <mutex>
#include <thread>

extern char** environ;

namespace {
std::mutex g_mutex;
platform::ProgramStarter g_starter;

bool Spawn(const std::vector<std::string>& argv)
{
    if (argv.empty() || argv[0].empty()) {
        return false;
    }
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        return false;
    }
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        return false;
    }
    // The child outlives nothing of ours; a waiting thread only collects its status.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}
}

namespace platform {
bool StartProgram(const std::vector<std::string>& argv)
{
    ProgramStarter starter;
    {
        std::lock_guard lock(g_mutex);
        starter = g_starter;
    }
    return starter ? starter(argv) : Spawn(argv);
}

void SetProgramStarter(ProgramStarter starter)
{
    std::lock_guard lock(g_mutex);
    g_starter = std::move(starter);
}
}
