// The real program recording from a file-fed input, headless, as PCM, MP3 and
// Ogg Vorbis in each format's first-start settings: processor time per minute
// of audio and voluntary context switches a second across its threads, against
// the bare encoders (lame, oggenc) on the same audio and a raw copy of it, each
// baseline run right after the recording it is compared with.
//
// The program keeps real time, so each format takes as long as its audio:
// --seconds=N (default 15) sets how much, and the figures are scaled to a minute.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bench/ProgramHome.h"

namespace {
using Clock = std::chrono::steady_clock;
int g_seconds = 15;

struct Format {
    const char* extension;
    // sox's description of the input, the one each file type records at a first start.
    const char* input;
    // The bare encoder of the same audio in the same settings, with "IN" and "OUT" for the files.
    const char* baseline;
};
const Format kFormats[] = {
    {".wav", "-r 8000 -b 8 -c 1", nullptr},
    {".mp3", "-r 16000 -b 16 -c 1", "lame --quiet --cbr -b 32 -m m IN OUT"},
    {".ogg", "-r 44100 -b 16 -c 1", "oggenc -Q -q 4 -o OUT IN"},
};

std::vector<std::string> Words(std::string line, const std::string& in, const std::string& out)
{
    std::vector<std::string> words;
    for (char* w = std::strtok(line.data(), " "); w; w = std::strtok(nullptr, " ")) {
        words.push_back(std::strcmp(w, "IN") == 0 ? in : std::strcmp(w, "OUT") == 0 ? out : w);
    }
    return words;
}

// Processor seconds of a command run to its end; -1 when it failed.
double CommandCpu(const programbench::Home& home, const std::vector<std::string>& words)
{
    const pid_t pid = home.Spawn({words.begin() + 1, words.end()}, words[0]);
    double cpu = -1;
    return pid > 0 && programbench::Reap(pid, &cpu) ? cpu : -1;
}

struct Recording {
    double cpu = -1;
    double switches = 0;
    double seconds = 0;
};

// Records into take (starting at once), measuring from the first audio on disk over g_seconds.
Recording Record(const programbench::Home& home, const std::string& take)
{
    Recording r;
    const pid_t pid = home.Spawn({"-l", take});
    // The file's headers come first (for Ogg a few pages at once), then audio.
    const auto start = Clock::now();
    const auto limit = std::chrono::seconds(20);
    while (programbench::FileSize(take) == 0 && Clock::now() - start < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::uint64_t headers = programbench::FileSize(take);
    while (programbench::FileSize(take) <= headers && Clock::now() - start < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const double cpu0 = programbench::ThreadsCpu(pid);
    const double switches0 = programbench::VoluntarySwitches(pid);
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(g_seconds));
    const double cpu1 = programbench::ThreadsCpu(pid);
    const double switches1 = programbench::VoluntarySwitches(pid);
    r.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    kill(pid, SIGTERM);
    if (programbench::Reap(pid) && programbench::FileSize(take) > headers && cpu0 >= 0 && cpu1 >= 0) {
        r.cpu = cpu1 - cpu0;
        r.switches = switches1 - switches0;
    }
    return r;
}

void BM_RecordingAMinute(benchmark::State& state)
{
    const Format& f = kFormats[state.range(0)];
    programbench::Home home;
    // Pink noise is what an encoder works hardest at; the input is looped, the baselines get one pass.
    const std::string synth = std::to_string(g_seconds) + " pinknoise gain -6";
    const std::string source = home.path + "/source.wav";
    if (!home.UseInput("source.wav", f.input, synth, true)) {
        state.SkipWithError("sox could not make the input");
        return;
    }
    double program = 0;
    double encoder = 0;
    double copy = 0;
    double switches = 0;
    double audio = 0;
    int run = 0;
    for (auto _ : state) {
        const Recording r = Record(home, home.path + "/take" + std::to_string(run) + f.extension);
        const double encoded = f.baseline ? CommandCpu(home, Words(f.baseline, source, home.path + "/bare")) : 0;
        const double copied = CommandCpu(home, {"cp", source, home.path + "/copy.wav"});
        if (r.cpu < 0 || encoded < 0 || copied < 0) {
            state.SkipWithError("the recording or a baseline failed");
            return;
        }
        program += r.cpu;
        switches += r.switches;
        audio += r.seconds;
        encoder += encoded;
        copy += copied;
        ++run;
    }
    // The baselines handle g_seconds of audio each run, the program what it recorded in its window.
    const double perMinute = 60.0 / audio;
    const double baselinePerMinute = 60.0 / (g_seconds * run);
    state.counters["program_cpu_s_per_min"] = program * perMinute;
    state.counters["raw_copy_cpu_s_per_min"] = copy * baselinePerMinute;
    if (f.baseline) {
        state.counters["encoder_cpu_s_per_min"] = encoder * baselinePerMinute;
        state.counters["ratio_to_encoder"] = (program * perMinute) / (encoder * baselinePerMinute);
    }
    state.counters["wakeups_per_s"] = switches / audio;
}
BENCHMARK(BM_RecordingAMinute)
    ->ArgName("pcm0_mp3_1_ogg2")
    ->DenseRange(0, 2)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
}

int main(int argc, char** argv)
{
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--seconds=", 10) == 0) {
            g_seconds = std::max(1, std::atoi(argv[i] + 10));
        } else {
            rest.push_back(argv[i]);
        }
    }
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
