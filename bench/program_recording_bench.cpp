// The real program recording from a file-fed input, headless, as PCM, MP3 and
// Ogg Vorbis, in a first start's settings and at 44.1 kHz stereo: processor
// time per minute of audio and voluntary context switches a second across its
// threads, against the bare encoders (lame, oggenc) on the same audio and a raw
// copy of it, each baseline run right after the recording it is compared with.
// The program's start and the baselines' fixed costs are left out of the rates.
//
// The program keeps real time, so each format takes as long as its audio:
// --seconds=N (default 10) sets how much, and the figures are scaled to a minute.
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
int g_seconds = 10;

// The settings store of a program set to 44.1 kHz 16-bit stereo for every file
// type (the largest format it records), MP3 at 128 kbit/s.
constexpr const char* kStereoStore =
    "; Tapvox settings store, format 1\n\n[Software\\Fennwicke\\Tapvox]\n"
    "\"SampleRate\"=\"44100\"\n\"Resolution\"=hex:01\n\"Stereo\"=hex:01\n"
    "\"Mp3SampleRate\"=\"44100\"\n\"Mp3Stereo\"=hex:01\n"
    "\"Mp3Format\"=hex:55,00,02,00,44,ac,00,00,80,3e,00,00,01,00,00,00,0c,00,01,00,02,00,00,00,a1,01,01,00,71,05\n"
    "\"VorSampleRate\"=\"44100\"\n\"VorStereo\"=\"1\"\n\n; end\n";

struct Format {
    const char* extension;
    // The settings store, or null for a first start's settings.
    const char* store;
    // sox's description of the input, in the format the program records.
    const char* input;
    // The bare encoder of the same audio in the same settings, with "IN" and "OUT" for the files.
    const char* baseline;
};
const Format kFormats[] = {
    {".wav", nullptr, "-r 8000 -b 8 -c 1", nullptr},
    {".mp3", nullptr, "-r 16000 -b 16 -c 1", "lame --quiet --cbr -b 32 -m m IN OUT"},
    {".ogg", nullptr, "-r 44100 -b 16 -c 1", "oggenc -Q -q 4 -o OUT IN"},
    {".wav", kStereoStore, "-r 44100 -b 16 -c 2", nullptr},
    {".mp3", kStereoStore, "-r 44100 -b 16 -c 2", "lame --quiet --cbr -b 128 -m j IN OUT"},
    {".ogg", kStereoStore, "-r 44100 -b 16 -c 2", "oggenc -Q -q 4 -o OUT IN"},
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

// A baseline's processor time for a minute of audio: its time on the whole
// input less its time on a tenth of a second (its start and end), scaled.
struct Baseline {
    double perMinute = 0;
    double fixed = 0;
};
Baseline Measure(const programbench::Home& home, const char* command, double seconds)
{
    Baseline b;
    const double whole = CommandCpu(home, Words(command, home.path + "/source.wav", home.path + "/out"));
    b.fixed = CommandCpu(home, Words(command, home.path + "/short.wav", home.path + "/out"));
    b.perMinute = whole < 0 || b.fixed < 0 ? -1 : (whole - b.fixed) * 60.0 / seconds;
    return b;
}

void BM_RecordingAMinute(benchmark::State& state)
{
    const Format& f = kFormats[state.range(0)];
    programbench::Home home;
    if (f.store) {
        const std::string folder = home.path + "/XDG_CONFIG_HOME/tapvox";
        mkdir(folder.c_str(), 0700);
        FILE* store = std::fopen((folder + "/user.reg").c_str(), "w");
        if (!store || std::fputs(f.store, store) < 0 || std::fclose(store) != 0) {
            state.SkipWithError("cannot write the settings store");
            return;
        }
    }
    // Pink noise is what an encoder works hardest at; the program's input is
    // looped, the baselines take one pass of it.
    if (!home.UseInput("short.wav", f.input, "0.1 pinknoise gain -6", false) ||
        !home.UseInput("source.wav", f.input, std::to_string(g_seconds) + " pinknoise gain -6", true)) {
        state.SkipWithError("sox could not make the input");
        return;
    }
    const char* copy = "cp IN OUT";
    double program = 0;
    double switches = 0;
    double audio = 0;
    Baseline encoder;
    Baseline raw;
    int run = 0;
    for (auto _ : state) {
        const Recording r = Record(home, home.path + "/take" + std::to_string(run) + f.extension);
        const Baseline e = f.baseline ? Measure(home, f.baseline, g_seconds) : Baseline{};
        const Baseline c = Measure(home, copy, g_seconds);
        if (r.cpu < 0) {
            state.SkipWithError("the recording failed: no audio, or the program did not end cleanly");
            return;
        }
        if (e.perMinute < 0 || c.perMinute < 0) {
            state.SkipWithError("a baseline failed");
            return;
        }
        program += r.cpu;
        switches += r.switches;
        audio += r.seconds;
        encoder.perMinute += e.perMinute;
        encoder.fixed += e.fixed;
        raw.perMinute += c.perMinute;
        ++run;
    }
    const double programPerMinute = program * 60.0 / audio;
    state.counters["program_cpu_s_per_min"] = programPerMinute;
    state.counters["raw_copy_cpu_s_per_min"] = raw.perMinute / run;
    if (f.baseline) {
        state.counters["encoder_cpu_s_per_min"] = encoder.perMinute / run;
        state.counters["encoder_fixed_cpu_s"] = encoder.fixed / run;
        state.counters["ratio_to_encoder"] = programPerMinute / (encoder.perMinute / run);
    }
    state.counters["wakeups_per_s"] = switches / audio;
}
// 0-2: a first start's PCM, MP3 and Ogg; 3-5: the same at 44.1 kHz 16-bit stereo.
BENCHMARK(BM_RecordingAMinute)
    ->ArgName("format")
    ->DenseRange(0, 5)
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
