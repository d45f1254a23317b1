// The program as a process, headless with a file-fed input: the time from its
// start to the first captured buffer on disk against the time the same program
// takes to start and print its help (loading, linking, exit), interleaved; and
// the CPU an idle program uses against the window layer's own idle loop.
#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "bench/CpuTime.h"
#include "platform/user/Timers.h"
#include "platform/user/Window.h"

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;

// A private home for the program's folders, and its input: 8000 Hz, 8 bits, mono, looped.
struct Home {
    Home()
    {
        char pattern[] = "/tmp/tapvox-bench-XXXXXX";
        path = mkdtemp(pattern) ? pattern : "/tmp";
        for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
            const std::string p = path + "/" + v;
            mkdir(p.c_str(), 0700);
            vars.push_back(std::string(v) + "=" + p);
        }
        const std::string input = path + "/input.wav";
        WriteInput(input);
        vars.push_back("TAPVOX_AUDIO=file:" + input + ";loop");
        for (char** e = environ; *e; ++e) {
            if (std::strncmp(*e, "XDG_", 4) != 0 && std::strncmp(*e, "DISPLAY=", 8) != 0 &&
                std::strncmp(*e, "WAYLAND_DISPLAY=", 16) != 0 && std::strncmp(*e, "TAPVOX_AUDIO=", 13) != 0) {
                vars.push_back(*e);
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
    // Made by sox, which the setup script installs.
    static void WriteInput(const std::string& file)
    {
        const std::string cmd = "sox -n -r 8000 -b 8 -c 1 '" + file + "' synth 10 square 440";
        if (std::system(cmd.c_str()) != 0) {
            std::fprintf(stderr, "sox could not make %s\n", file.c_str());
        }
    }
    pid_t Spawn(const std::vector<std::string>& args) const
    {
        std::vector<std::string> all{TAPVOX_PROGRAM};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (const std::string& a : all) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (const std::string& v : vars) {
            envp.push_back(const_cast<char*>(v.c_str()));
        }
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
            pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }
    std::string path;
    std::vector<std::string> vars;
};

bool Reap(pid_t pid)
{
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::uint64_t FileSize(const std::string& path)
{
    struct stat st{};
    return stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

// User and system CPU of a process, in seconds.
double ProcessCpu(pid_t pid)
{
    const std::string stat = "/proc/" + std::to_string(pid) + "/stat";
    FILE* f = std::fopen(stat.c_str(), "r");
    if (!f) {
        return -1;
    }
    char buf[1024] = "";
    const std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = 0;
    const char* p = std::strrchr(buf, ')');
    unsigned long utime = 0;
    unsigned long stime = 0;
    if (!p || std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2) {
        return -1;
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Start to the first audio block in the recording (the engine writes each buffer
// one behind the newest, so two buffers of a fifth of a second come first),
// against start to exit of --help: the process, its libraries and its exit.
void BM_StartToFirstBuffer(benchmark::State& state)
{
    Home home;
    double startMs = 0;
    double helpMs = 0;
    int runs = 0;
    for (auto _ : state) {
        const std::string take = home.path + "/take" + std::to_string(runs) + ".wav";
        auto t0 = Clock::now();
        const pid_t recorder = home.Spawn({"-l", take});
        const auto limit = std::chrono::seconds(20);
        while (FileSize(take) == 0 && Clock::now() - t0 < limit) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        // The new file's headers first, then a fifth of a second of 8000-byte-a-second audio.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const std::uint64_t headers = FileSize(take);
        while (FileSize(take) < headers + 1600 && Clock::now() - t0 < limit) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (Clock::now() - t0 >= limit) {
            kill(recorder, SIGKILL);
            Reap(recorder);
            state.SkipWithError("no audio reached the file: -l did not start recording");
            return;
        }
        startMs += Ms(Clock::now() - t0);
        kill(recorder, SIGTERM);
        if (!Reap(recorder)) {
            state.SkipWithError("the recorder did not end cleanly");
            return;
        }
        t0 = Clock::now();
        if (!Reap(home.Spawn({"--help"}))) {
            state.SkipWithError("--help failed");
            return;
        }
        helpMs += Ms(Clock::now() - t0);
        ++runs;
    }
    state.counters["start_to_first_buffer_ms"] = startMs / runs;
    state.counters["baseline_help_ms"] = helpMs / runs;
    state.counters["ratio"] = startMs / helpMs;
}
BENCHMARK(BM_StartToFirstBuffer)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// The window layer's loop with the recorder's two-second schedule poll, for the same span, in this process.
double BaselineIdleCpu(std::chrono::seconds span)
{
    const double start = CpuSeconds();
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "BenchIdle";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "BenchIdle", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetTimer(w, 42, 2000, nullptr);
    SetTimer(w, 99, static_cast<UINT>(span.count() * 1000), nullptr);
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_TIMER && msg.wParam == 99) {
            break;
        }
        DispatchMessage(&msg);
    }
    DestroyWindow(w);
    return CpuSeconds() - start;
}

// An idle program (no recording, its window hidden) over state.range(0) seconds: CPU in % of one core.
void BM_IdleProgramCpu(benchmark::State& state)
{
    Home home;
    const std::chrono::seconds span(state.range(0));
    double program = 0;
    double baseline = 0;
    for (auto _ : state) {
        const pid_t pid = home.Spawn({"-r"});
        // Start-up is not idling: measure once the window is published.
        const std::string sock = home.path + "/XDG_RUNTIME_DIR/tapvox/tapvox.sock";
        const auto t0 = Clock::now();
        while (FileSize(sock) == 0 && access(sock.c_str(), F_OK) != 0 && Clock::now() - t0 < std::chrono::seconds(20)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const double before = ProcessCpu(pid);
        std::this_thread::sleep_for(span);
        const double after = ProcessCpu(pid);
        kill(pid, SIGTERM);
        if (before < 0 || after < 0 || !Reap(pid)) {
            state.SkipWithError("the idle program did not run and end cleanly");
            return;
        }
        program += after - before;
        baseline += BaselineIdleCpu(span);
    }
    const double seconds = static_cast<double>(span.count()) * static_cast<double>(state.iterations());
    state.counters["program_cpu_percent_of_core"] = 100.0 * program / seconds;
    state.counters["baseline_loop_cpu_percent_of_core"] = 100.0 * baseline / seconds;
    state.counters["ratio"] = baseline > 0 ? program / baseline : 0;
}
BENCHMARK(BM_IdleProgramCpu)->Arg(60)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
}

BENCHMARK_MAIN();
