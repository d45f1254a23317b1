// Recording throughput of WaveFile against plain write(2) of the same buffers,
// and the time to open a long recording with many markers.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "files/WaveFile.h"

namespace {
constexpr std::size_t kBuffer = 35280;                    // 200 ms of 44.1 kHz 16-bit stereo
constexpr std::size_t kHourBuffers = 3600 * 5;            // one hour
constexpr std::size_t kUpdateEvery = 25;                  // 5 s of audio

// A folder on disk (not a RAM disk), removed at the end.
struct DiskDir {
    std::string path;
    DiskDir()
    {
        const char* base = std::getenv("TAPVOX_BENCH_DIR");
        path = std::string(base && *base ? base : "/var/tmp") + "/tapvox-bench-XXXXXX";
        if (!mkdtemp(path.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
    }
    ~DiskDir() { rmdir(path.c_str()); }
};

WAVEFORMATEX CdStereo()
{
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 2;
    f.nSamplesPerSec = 44100;
    f.nBlockAlign = 4;
    f.nAvgBytesPerSec = 176400;
    f.wBitsPerSample = 16;
    return f;
}

std::vector<char> Audio()
{
    std::vector<char> v(kBuffer);
    unsigned x = 1;
    for (auto& c : v) {
        x = x * 1103515245u + 12345;
        c = static_cast<char>(x >> 16);
    }
    return v;
}

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

void BM_HourThroughWaveFileVsWrite(benchmark::State& state)
{
    DiskDir dir;
    const auto audio = Audio();
    const WAVEFORMATEX f = CdStereo();
    double plain = 0;
    double wave = 0;
    for (auto _ : state) {
        const std::string a = dir.path + "/plain.raw";
        auto t0 = std::chrono::steady_clock::now();
        const int fd = open(a.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
        for (std::size_t i = 0; i < kHourBuffers; ++i) {
            if (write(fd, audio.data(), kBuffer) != static_cast<ssize_t>(kBuffer)) {
                state.SkipWithError("write failed");
            }
        }
        close(fd);
        auto t1 = std::chrono::steady_clock::now();
        unlink(a.c_str());

        const std::string b = dir.path + "/take.wav";
        const bool appendToExisting = state.range(0) != 0;
        if (appendToExisting) {
            // A recording that already holds audio is not signed: no digest to keep.
            WaveFile w(b.c_str(), &f, MMIO_READWRITE);
            w.open();
            w.Write(audio.data(), kBuffer);
            w.close();
        }
        auto t2 = std::chrono::steady_clock::now();
        {
            WaveFile w(b.c_str(), &f, MMIO_READWRITE);
            w.open();
            for (std::size_t i = 0; i < kHourBuffers; ++i) {
                if (w.Write(audio.data(), kBuffer) != static_cast<LONG>(kBuffer)) {
                    state.SkipWithError("WaveFile::Write failed");
                }
                if ((i + 1) % kUpdateEvery == 0) {
                    w.AddMarker(DWORD(-1), -1);
                    w.update();
                }
            }
            w.close();
        }
        auto t3 = std::chrono::steady_clock::now();
        unlink(b.c_str());
        plain += Seconds(t0, t1);
        wave += Seconds(t2, t3);
    }
    state.counters["plain_write_s"] = plain / static_cast<double>(state.iterations());
    state.counters["wavefile_s"] = wave / static_cast<double>(state.iterations());
    state.counters["ratio"] = wave / plain;
}
// Argument 0: a new, signed recording; 1: appending to an existing one (unsigned).
BENCHMARK(BM_HourThroughWaveFileVsWrite)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kSecond);

void BM_OpenHourWith10000Markers(benchmark::State& state)
{
    DiskDir dir;
    const auto audio = Audio();
    const WAVEFORMATEX f = CdStereo();
    const std::string path = dir.path + "/long.wav";
    {
        WaveFile w(path.c_str(), &f, MMIO_READWRITE);
        w.open();
        for (std::size_t i = 0; i < kHourBuffers; ++i) {
            w.Write(audio.data(), kBuffer);
        }
        const DWORD size = w.GetDataSize();
        for (DWORD m = 0; m < 10000; ++m) {
            w.AddMarker(static_cast<DWORD>(std::uint64_t(size) * m / 10000 / 4 * 4), 1700000000 + m * 3);
        }
        w.AddComment("a comment", 0, 176400);
        w.close();
    }
    int markers = 0;
    for (auto _ : state) {
        WaveFile r(path.c_str(), nullptr, MMIO_READWRITE);
        r.open();
        markers = r.GetMarkerCount();
        r.close();
    }
    state.counters["markers"] = markers;
    unlink(path.c_str());
}
BENCHMARK(BM_OpenHourWith10000Markers)->Unit(benchmark::kMillisecond);
}

BENCHMARK_MAIN();
