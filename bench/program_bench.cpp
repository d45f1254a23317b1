// The program as a process, headless with a file-fed input: the time from its
// start to the first captured buffer on disk against the time the same program
// takes to start and print its help (loading, linking, exit), interleaved; and
// the CPU an idle program uses against the window layer's own idle loop.
#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>

#include "bench/CpuTime.h"
#include "bench/ProgramHome.h"
#include "platform/user/Timers.h"
#include "platform/user/Window.h"

namespace {
using Clock = std::chrono::steady_clock;
using programbench::FileSize;
using programbench::Reap;

// The program's folders, and its input: 8000 Hz, 8 bits, mono, looped.
struct Home : programbench::Home {
    Home() { UseInput("input.wav", "-r 8000 -b 8 -c 1", "10 square 440", true); }
};

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
        const double before = programbench::ThreadsCpu(pid);
        std::this_thread::sleep_for(span);
        const double after = programbench::ThreadsCpu(pid);
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
