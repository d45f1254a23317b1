// Recording a signed hour through WaveFile against write(2) and OpenSSL's SHA-1 of
// the same buffers, and the time to open a long recording with many markers.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <openssl/evp.h>
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

// Seconds of each phase of one recorded hour.
struct Phases {
    double open = 0;
    double loop = 0;
    double close = 0;
    double Total() const { return open + loop + close; }
    void Add(const Phases& p)
    {
        open += p.open;
        loop += p.loop;
        close += p.close;
    }
};

// The least a signed recorder can do: write(2) every buffer and hash the same bytes.
Phases RawWriteAndSha1(const std::string& path, const std::vector<char>& audio, benchmark::State& state)
{
    Phases p;
    auto t0 = std::chrono::steady_clock::now();
    const int fd = open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    EVP_MD_CTX* sha = EVP_MD_CTX_new();
    EVP_DigestInit_ex(sha, EVP_sha1(), nullptr);
    auto t1 = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < kHourBuffers; ++i) {
        if (write(fd, audio.data(), kBuffer) != static_cast<ssize_t>(kBuffer)) {
            state.SkipWithError("write failed");
        }
        EVP_DigestUpdate(sha, audio.data(), kBuffer);
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(sha, digest, &length);
    benchmark::DoNotOptimize(digest);
    EVP_MD_CTX_free(sha);
    auto t2 = std::chrono::steady_clock::now();
    if (close(fd) != 0) {
        state.SkipWithError("close failed");
    }
    auto t3 = std::chrono::steady_clock::now();
    p.open = Seconds(t0, t1);
    p.loop = Seconds(t1, t2);
    p.close = Seconds(t2, t3);
    return p;
}

// A new signed recording as the engine makes it: Write, update every 25 buffers, close; with markEach, a
// marker at every update as sound activation sets them (720 by the hour's end).
Phases SignedHour(const std::string& path, const std::vector<char>& audio, benchmark::State& state, bool markEach)
{
    Phases p;
    const WAVEFORMATEX f = CdStereo();
    auto t0 = std::chrono::steady_clock::now();
    auto w = std::make_unique<WaveFile>(path.c_str(), &f, MMIO_READWRITE);
    if (!w->open()) {
        state.SkipWithError("open failed");
    }
    auto t1 = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < kHourBuffers; ++i) {
        if (w->Write(audio.data(), kBuffer) != static_cast<LONG>(kBuffer)) {
            state.SkipWithError("WaveFile::Write failed");
        }
        if ((i + 1) % kUpdateEvery == 0) {
            if (markEach) {
                w->AddMarker(DWORD(-1), static_cast<__time64_t>(1'800'000'000 + i / 5));
            }
            if (!w->update()) {
                state.SkipWithError("update failed");
            }
        }
    }
    auto t2 = std::chrono::steady_clock::now();
    if (!w->close()) {
        state.SkipWithError("close failed");
    }
    w.reset();  // the companion journal goes with the object
    auto t3 = std::chrono::steady_clock::now();
    p.open = Seconds(t0, t1);
    p.loop = Seconds(t1, t2);
    p.close = Seconds(t2, t3);
    return p;
}

void BM_SignedHourVsWriteAndSha1(benchmark::State& state)
{
    const bool markEach = state.range(0) != 0;
    DiskDir dir;
    const auto audio = Audio();
    const std::string plainPath = dir.path + "/plain.raw";
    const std::string wavePath = dir.path + "/take.wav";
    Phases plain;
    Phases wave;
    int round = 0;
    for (auto _ : state) {
        // The order turns each round, so neither side always meets a cold or a busy disk.
        if (round++ % 2 == 0) {
            plain.Add(RawWriteAndSha1(plainPath, audio, state));
            wave.Add(SignedHour(wavePath, audio, state, markEach));
        } else {
            wave.Add(SignedHour(wavePath, audio, state, markEach));
            plain.Add(RawWriteAndSha1(plainPath, audio, state));
        }
        unlink(plainPath.c_str());
        unlink(wavePath.c_str());
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["baseline_loop_s"] = plain.loop / n;
    state.counters["baseline_close_s"] = plain.close / n;
    state.counters["wavefile_open_s"] = wave.open / n;
    state.counters["wavefile_loop_s"] = wave.loop / n;
    state.counters["wavefile_close_s"] = wave.close / n;
    state.counters["loop_ratio"] = wave.loop / plain.loop;
    state.counters["ratio"] = wave.Total() / plain.Total();
}
BENCHMARK(BM_SignedHourVsWriteAndSha1)->ArgName("marked")->Arg(0)->Arg(1)->Iterations(4)->Unit(benchmark::kSecond);

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

// The update every 5 s of a recording that holds `markers` markers already, with `added` one more since the
// last update (sound activation's pace) or none: the fixed cost of an update apart from its cost per marker.
void BM_UpdateOfARecordingWithMarkers(benchmark::State& state)
{
    DiskDir dir;
    const auto audio = Audio();
    const WAVEFORMATEX f = CdStereo();
    const std::string path = dir.path + "/marked.wav";
    {
        WaveFile w(path.c_str(), &f, MMIO_READWRITE);
        w.open();
        const auto markers = static_cast<DWORD>(state.range(0));
        for (DWORD m = 0; m < markers; ++m) {
            w.Write(audio.data(), 4);
            w.AddMarker(DWORD(-1), 1700000000 + m);
        }
        w.update();
        __time64_t next = 1800000000;
        for (auto _ : state) {
            state.PauseTiming();
            w.Write(audio.data(), kBuffer);
            if (state.range(1) != 0) {
                w.AddMarker(DWORD(-1), next++);
            }
            state.ResumeTiming();
            benchmark::DoNotOptimize(w.update());
        }
        w.close();
    }
    unlink(path.c_str());
    unlink(RecFile::MarkerFileNameFor(path).c_str());
}
BENCHMARK(BM_UpdateOfARecordingWithMarkers)
    ->ArgNames({"markers", "added"})
    ->ArgsProduct({{0, 1000, 10000}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);
}

BENCHMARK_MAIN();
