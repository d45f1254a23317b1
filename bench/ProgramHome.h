#pragma once
// Only for the benchmarks that start the real program: a private home for its
// folders, starting it there with an input file, and reading its processor
// time and wake-ups from /proc.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace programbench {
class Home {
public:
    Home()
    {
        char pattern[] = "/tmp/tapvox-bench-XXXXXX";
        path = mkdtemp(pattern) ? pattern : "/tmp";
        for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
            const std::string p = path + "/" + v;
            mkdir(p.c_str(), 0700);
            vars_.push_back(std::string(v) + "=" + p);
        }
        for (char** e = environ; *e; ++e) {
            if (std::strncmp(*e, "XDG_", 4) != 0 && std::strncmp(*e, "DISPLAY=", 8) != 0 &&
                std::strncmp(*e, "WAYLAND_DISPLAY=", 16) != 0 && std::strncmp(*e, "TAPVOX_AUDIO=", 13) != 0) {
                vars_.push_back(*e);
            }
        }
    }
    ~Home()
    {
        const std::string cmd = "rm -rf '" + path + "'";
        if (std::system(cmd.c_str()) != 0) {
            std::fprintf(stderr, "cannot remove %s\n", path.c_str());
        }
    }
    Home(const Home&) = delete;
    Home& operator=(const Home&) = delete;

    // The program's input from now on: a file made by sox (which the setup
    // script installs) from `synth` arguments, e.g. "10 square 440".
    bool UseInput(const std::string& name, const std::string& format, const std::string& synth, bool loop)
    {
        const std::string file = path + "/" + name;
        const std::string cmd = "sox -n " + format + " '" + file + "' synth " + synth;
        if (std::system(cmd.c_str()) != 0) {
            std::fprintf(stderr, "sox could not make %s\n", file.c_str());
            return false;
        }
        audio_ = "TAPVOX_AUDIO=file:" + file + (loop ? ";loop" : "");
        return true;
    }

    // Starts `program` (the real program unless given) with its output thrown away.
    pid_t Spawn(const std::vector<std::string>& args, const std::string& program = TAPVOX_PROGRAM) const
    {
        std::vector<std::string> all{program};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (const std::string& a : all) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (const std::string& v : vars_) {
            envp.push_back(const_cast<char*>(v.c_str()));
        }
        if (!audio_.empty()) {
            envp.push_back(const_cast<char*>(audio_.c_str()));
        }
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
            pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    std::string path;

private:
    std::vector<std::string> vars_;
    std::string audio_;
};

// Waits for the process; true when it exited with 0. *cpuSeconds, when given,
// gets its user and system time.
inline bool Reap(pid_t pid, double* cpuSeconds = nullptr)
{
    int status = 0;
    rusage usage{};
    const bool ended = wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (cpuSeconds) {
        *cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                      static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    }
    return ended;
}

inline std::uint64_t FileSize(const std::string& path)
{
    struct stat st{};
    return stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

// Sums a number from a file of each thread of a running process: the first
// field of "schedstat" (nanoseconds on a processor), or the value of a "status"
// line ("voluntary_ctxt_switches:"). -1 when the process is gone.
inline double PerThreadSum(pid_t pid, const char* file, const char* key)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir) {
        return -1;
    }
    double sum = 0;
    while (dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') {
            continue;
        }
        FILE* f = std::fopen((tasks + "/" + e->d_name + "/" + file).c_str(), "r");
        if (!f) {
            continue;
        }
        char line[256];
        while (std::fgets(line, sizeof line, f)) {
            if (!key) {
                sum += std::strtod(line, nullptr);
                break;
            }
            if (std::strncmp(line, key, std::strlen(key)) == 0) {
                sum += std::strtod(line + std::strlen(key), nullptr);
            }
        }
        std::fclose(f);
    }
    closedir(dir);
    return sum;
}

// Processor seconds of every thread of a running process, to the nanosecond.
inline double ThreadsCpu(pid_t pid)
{
    const double ns = PerThreadSum(pid, "schedstat", nullptr);
    return ns < 0 ? ns : ns * 1e-9;
}
inline double VoluntarySwitches(pid_t pid) { return PerThreadSum(pid, "status", "voluntary_ctxt_switches:"); }
}
