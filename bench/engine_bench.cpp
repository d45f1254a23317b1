// The recording engine's costs, each against a baseline doing the same work on the
// same data in the same run (interleaved per iteration):
//  - PCM WAV: a take through the main window (scripted device, real message loop,
//    levels, status, signing) against write(2) of the same buffers plus their SHA-1;
//    the fixed cost of a take (open, start, stop, close) is measured apart.
//  - MP3 and Ogg Vorbis: a take through the engine against LAME / libvorbisenc
//    called directly on the same samples in the same blocks.
//  - The level path: the peak of a 200 ms 16-bit stereo buffer and its display,
//    against a plain scan of the same bytes, as times real time.
//  - Writes that really block (the recording folder frozen for 0.5 to 30 s) while a
//    file-fed input runs in real time: the audio lost.
//  - The GUI thread's pause per buffer while recording 44.1 kHz stereo MP3.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/FormatBuffers.h"
#include "app/SMsg.h"
#include "app/StartOptions.h"
#include "bench/DirectEncoders.h"
#include "files/Sha1.h"
#include "files/WaveFile.h"
#include "owl/FrameWindow.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Headless.h"
#include "platform/user/Resources.h"
#include "platform/wave/ScriptedWave.h"
#include "recorder/AppDialog.h"
#include "resources/Resources.h"
#include "settings/FileSettings.h"
#include "settings/Mp3Settings.h"
#include "settings/RecordSettings.h"
#include "settings/Settings.h"
#include "settings/VorbisSettings.h"
#include "settings/WaveSettings.h"

namespace {
namespace hl = platform::headless;
// Processor time of this process (user and system): the machine may be shared, and
// waiting for it is no cost of the code measured.
struct CpuClock {
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<CpuClock>;
    static time_point now()
    {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return time_point(duration(std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec));
    }
};
using Clock = CpuClock;

constexpr int kRate = 44100;
constexpr DWORD kBuffer = kRate * 4 / 5;  // 200 ms of 16-bit stereo

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// A folder on disk (not a RAM disk), removed with its files at the end.
const std::string& Folder()
{
    static const std::string& folder = *new std::string([] {
        const char* base = std::getenv("TAPVOX_BENCH_DIR");
        std::string pattern = std::string(base && *base ? base : "/var/tmp") + "/tapvox-engine-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        std::atexit([] { std::filesystem::remove_all(Folder()); });
        return pattern;
    }());
    return folder;
}

// Music-like 16-bit stereo: tones and a little noise, never silent.
std::vector<short> Music(std::size_t frames)
{
    std::vector<short> v(frames * 2);
    unsigned x = 7;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        x = x * 1103515245u + 12345;
        const double noise = static_cast<double>((x >> 16) & 0x3FF) - 512;
        v[2 * i] = static_cast<short>(9000 * std::sin(2 * M_PI * 440 * t) + 2000 * std::sin(2 * M_PI * 3100 * t) + noise);
        v[2 * i + 1] = static_cast<short>(8000 * std::sin(2 * M_PI * 660 * t) + noise);
    }
    return v;
}

// The main window in its frame on the headless backend with the scripted input.
class Rig {
public:
    explicit Rig(int fileType)
    {
        setenv("TAPVOX_AUDIO", "script", 1);
        setenv("XDG_CACHE_HOME", (Folder() + "/cache").c_str(), 1);
        platform::scripted::ResetWaveScript();
        hl::Reset();
        platform::ClearResources();
        resources::RegisterAll();
        platform::UseManualClock(1'700'000'000);
        MaxFormatSize = 2000;
        AllocateFormatBuffers();
        SMsg::SetLogPath("");
        StartOptions = TStartOptions{};
        CurrentFileName[0] = 0;
        SoundLevel = 0;
        FileSize = 0;
        FileAction = 0;
        AutoName = true;
        AutoPrompt = false;
        LHMode = 0;
        std::snprintf(DefaultDirectory, sizeof DefaultDirectory, "%s", Folder().c_str());
        std::snprintf(ImprovedFilePrefix, sizeof ImprovedFilePrefix, "take");
        SampleRate = kRate;
        Resolution = true;
        Stereo = true;
        std::snprintf(ACMDriver, sizeof ACMDriver, "No compression");
        DefaultAudioFormat = fileType;
        Mp3SampleRate = kRate;
        Mp3Stereo = true;
        // 128 kbit/s, as the direct encoder.
        MPEGLAYER3WAVEFORMAT mp3{};
        mp3.wfx = WAVEFORMATEX{WAVE_FORMAT_MPEGLAYER3, 2, kRate, 16000, 1, 0, MPEGLAYER3_WFX_EXTRA_BYTES};
        mp3.wID = MPEGLAYER3_ID_MPEG;
        mp3.nFramesPerBlock = 1;
        mp3.nBlockSize = 418;
        std::memcpy(Mp3FormatBuffer, &mp3, sizeof mp3);
        VorStereo = 1;
        VorSampleRate = kRate;
        VorQ = 4;
        dialog = new TAppDialog(nullptr);
        frame = new OWL::TFrameWindow(nullptr, "Tapvox", dialog);
        frame->Create();
        hl::RunUntilIdle();
    }
    ~Rig()
    {
        delete frame;
        hl::Reset();
        platform::ClearResources();
        FreeFormatBuffers();
        platform::UseSystemClock();
    }
    void Record() { dialog->record(); }
    // One buffer arrives (the device's work, timed apart into *device); the loop takes
    // it in (the one before it, in fact).
    void Feed(const void* data, DWORD bytes, double* device)
    {
        const auto t0 = Clock::now();
        platform::scripted::FeedInput(data, bytes);
        *device += std::chrono::duration<double>(Clock::now() - t0).count();
        hl::RunUntilIdle();
    }
    // Stops and closes the take; returns its name.
    std::string Finish()
    {
        dialog->stop();
        const std::string name = dialog->GetCurrentFile() ? dialog->GetCurrentFile()->GetName() : "";
        dialog->savefile(nullptr, true);
        return name;
    }

    // Times an empty take (its fixed cost) and then a take of the buffers; the engine's
    // share leaves out the device's copying and the fixed cost.
    void TimeTakes(const char* audio, std::size_t buffers, double* fixed, double* perTake)
    {
        double device = 0;
        const auto t0 = Clock::now();
        Record();
        const std::string empty = Finish();
        const auto t1 = Clock::now();
        std::remove(empty.c_str());
        const auto t2 = Clock::now();
        Record();
        for (std::size_t i = 0; i < buffers; ++i) {
            Feed(audio + i * kBuffer, kBuffer, &device);
        }
        const std::string take = Finish();
        const auto t3 = Clock::now();
        std::remove(take.c_str());
        *fixed += Seconds(t0, t1);
        *perTake += Seconds(t2, t3) - device - Seconds(t0, t1);
        deviceSeconds += device;
    }

    OWL::TFrameWindow* frame = nullptr;
    TAppDialog* dialog = nullptr;
    double deviceSeconds = 0;
};

void BM_PcmTakeVsWriteAndSha1(benchmark::State& state)
{
    const std::size_t buffers = static_cast<std::size_t>(state.range(0));
    const auto pcm = Music(kBuffer / 4 * buffers);
    const char* audio = reinterpret_cast<const char*>(pcm.data());
    Rig rig(0);
    double plain = 0;
    double engine = 0;
    double fixed = 0;
    for (auto _ : state) {
        const std::string raw = Folder() + "/plain.raw";
        auto t0 = Clock::now();
        const int fd = open(raw.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
        Sha1State sha;
        Sha1Init(&sha);
        for (std::size_t i = 0; i < buffers; ++i) {
            if (write(fd, audio + i * kBuffer, kBuffer) != static_cast<ssize_t>(kBuffer)) {
                state.SkipWithError("write failed");
            }
            Sha1Update(&sha, audio + i * kBuffer, kBuffer);
        }
        std::uint8_t digest[20];
        Sha1Final(&sha, digest);
        benchmark::DoNotOptimize(digest);
        close(fd);
        auto t1 = Clock::now();
        unlink(raw.c_str());

        plain += Seconds(t0, t1);
        rig.TimeTakes(audio, buffers, &fixed, &engine);
    }
    const double n = static_cast<double>(state.iterations());
    const double perBufferPlain = plain / n / static_cast<double>(buffers);
    const double perBufferEngine = engine / n / static_cast<double>(buffers);
    state.counters["device_us_per_buffer"] = rig.deviceSeconds / n / static_cast<double>(buffers) * 1e6;
    state.counters["plain_us_per_buffer"] = perBufferPlain * 1e6;
    state.counters["engine_us_per_buffer"] = perBufferEngine * 1e6;
    state.counters["fixed_ms_per_take"] = fixed / n * 1e3;
    state.counters["ratio"] = perBufferEngine / perBufferPlain;
}
BENCHMARK(BM_PcmTakeVsWriteAndSha1)->Arg(1500)->Iterations(5)->Unit(benchmark::kMillisecond);

// argument: file type 1 (MP3) or 3 (Ogg Vorbis); 60 s of audio per take.
void BM_EncodedTakeVsDirectEncoder(benchmark::State& state)
{
    const int type = static_cast<int>(state.range(0));
    constexpr std::size_t kBuffers = 300;
    const auto pcm = Music(kBuffer / 4 * kBuffers);
    const char* audio = reinterpret_cast<const char*>(pcm.data());
    Rig rig(type);
    double direct = 0;
    double engine = 0;
    double fixed = 0;
    for (auto _ : state) {
        const std::string path = Folder() + "/direct.bin";
        auto t0 = Clock::now();
        if (type == 1) {
            benchdirect::EncodeMp3(pcm, kRate, 128, static_cast<int>(kBuffer / 4), path);
        } else {
            benchdirect::EncodeVorbis(pcm, kRate, 0.4f, static_cast<int>(kBuffer / 4), path);
        }
        auto t1 = Clock::now();
        std::remove(path.c_str());
        direct += Seconds(t0, t1);
        rig.TimeTakes(audio, kBuffers, &fixed, &engine);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["direct_ms"] = direct / n * 1e3;
    state.counters["engine_ms"] = engine / n * 1e3;
    state.counters["fixed_ms_per_take"] = fixed / n * 1e3;
    state.counters["ratio"] = engine / direct;
}
BENCHMARK(BM_EncodedTakeVsDirectEncoder)->Arg(1)->Arg(3)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_LevelPathVsPlainScan(benchmark::State& state)
{
    // Two buffers of different loudness, so every display call really changes the meter.
    auto a = Music(kBuffer / 4);
    auto b = a;
    for (auto& s : b) {
        s = static_cast<short>(s / 3);
    }
    Rig rig(0);
    rig.Record();
    constexpr int kRounds = 2000;
    double plain = 0;
    double level = 0;
    int sink = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        for (int r = 0; r < kRounds; ++r) {
            const auto* p = reinterpret_cast<const signed char*>((r & 1 ? b : a).data());
            int left = 0;
            int right = 0;
            for (DWORD i = 0; i + 4 <= kBuffer; i += 4) {
                left = std::max(left, std::abs(int(p[i + 1])));
                right = std::max(right, std::abs(int(p[i + 3])));
            }
            sink += left + right;
        }
        auto t1 = Clock::now();
        for (int r = 0; r < kRounds; ++r) {
            rig.dialog->ShowLevel(rig.dialog->PeakLevel((r & 1 ? b : a).data(), kBuffer));
        }
        auto t2 = Clock::now();
        plain += Seconds(t0, t1);
        level += Seconds(t1, t2);
    }
    benchmark::DoNotOptimize(sink);
    std::remove(rig.Finish().c_str());
    const double calls = static_cast<double>(state.iterations()) * kRounds;
    state.counters["plain_x_realtime"] = 0.2 / (plain / calls);
    state.counters["level_x_realtime"] = 0.2 / (level / calls);
    state.counters["ratio"] = level / plain;
}
BENCHMARK(BM_LevelPathVsPlainScan)->Iterations(10)->Unit(benchmark::kMillisecond);

// A folder on a loop-mounted ext4 image that fsfreeze can stop, in a mount namespace of this
// process (so it goes with the process); empty where that needs root and it has none.
const std::string& FreezableFolder()
{
    static const std::string& folder = *new std::string([] {
        const std::string mnt = Folder() + "/frozen";
        const std::string img = Folder() + "/disk.img";
        if (geteuid() != 0 || unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mkdir(mnt.c_str(), 0700) != 0) {
            return std::string();
        }
        const std::string make = "truncate -s 256M '" + img + "' && mkfs.ext4 -q -F '" + img + "' && mount -o loop '" +
                                 img + "' '" + mnt + "' >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0) {
            return std::string();
        }
        std::atexit([] { std::system(("umount -l '" + Folder() + "/frozen' >/dev/null 2>&1").c_str()); });
        return mnt;
    }());
    return folder;
}

// 16-bit stereo whose frame n holds n (left the low half, right the high half): a
// recording shows exactly which frames it lacks.
std::vector<short> CountedFrames(std::size_t frames)
{
    std::vector<short> v(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        v[2 * i] = static_cast<short>(i & 0xFFFF);
        v[2 * i + 1] = static_cast<short>(i >> 16);
    }
    return v;
}

// Runs the loop on the system clock for ms, as the program's own loop does.
void RunLoopFor(int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        hl::RunUntilIdle();
        usleep(2000);
    }
}

// A real block: the recording folder is frozen for stallMs while a 44.1 kHz stereo WAV
// file is the input in real time, and the engine's writes wait in write(2) as on a
// stalled USB stick. Counted from the recorded frame numbers: the milliseconds and
// buffers lost, and the gaps the engine logged. The baseline is the same input with no
// ring (ring_ms 0: only the queued buffers take what arrives, as before there was one).
// Without root the GUI thread itself is held for stallMs instead (label "held").
void BM_BlockedWriteLoses(benchmark::State& state)
{
    const int stallMs = static_cast<int>(state.range(0));
    const long ringMs = static_cast<long>(state.range(1));
    const bool freeze = !FreezableFolder().empty();
    const std::string source = Folder() + "/source.wav";
    const std::size_t frames = static_cast<std::size_t>(kRate) * (stallMs / 1000 + 10);
    {
        const auto pcm = CountedFrames(frames);
        WAVEFORMATEX f = MakePcmFormat(2, kRate, 16);
        WaveFile w(source.c_str(), &f, MMIO_CREATE | MMIO_READWRITE);
        w.open();
        w.Write(pcm.data(), static_cast<LONG>(pcm.size() * 2));
        w.close();
    }
    const std::string log = Folder() + "/stall.log";
    double lostMs = 0;
    double gaps = 0;
    for (auto _ : state) {
        Rig rig(0);
        platform::UseSystemClock();
        SMsg::SetLogPath(log);
        std::remove(log.c_str());
        if (freeze) {
            std::snprintf(DefaultDirectory, sizeof DefaultDirectory, "%s", FreezableFolder().c_str());
        }
        setenv("TAPVOX_AUDIO", ("file:" + source).c_str(), 1);
        if (ringMs >= 0) {
            setenv("TAPVOX_INPUT_RING_MS", std::to_string(ringMs).c_str(), 1);
        }
        rig.Record();
        unsetenv("TAPVOX_INPUT_RING_MS");
        RunLoopFor(2000);
        if (freeze) {
            const std::string thawed = Folder() + "/thawed";
            std::remove(thawed.c_str());
            // The thaw comes from a process of its own, whatever happens here.
            std::system(("(fsfreeze -f '" + FreezableFolder() + "'; sleep " + std::to_string(stallMs / 1000.0) +
                         "; fsfreeze -u '" + FreezableFolder() + "'; touch '" + thawed + "') >/dev/null 2>&1 &")
                            .c_str());
            while (access(thawed.c_str(), F_OK) != 0) {
                RunLoopFor(5);
            }
        } else {
            usleep(static_cast<useconds_t>(stallMs) * 1000);
        }
        RunLoopFor(2000);
        const std::string take = rig.Finish();
        WaveFile w(take.c_str(), nullptr, MMIO_READ);
        w.open();
        std::vector<short> got(w.GetDataSize() / 2);
        w.position(0);
        w.Read(got.data(), static_cast<LONG>(got.size() * 2));
        w.close();
        const std::size_t n = got.size() / 2;
        const std::size_t last = n ? static_cast<std::uint16_t>(got[2 * n - 2]) | (std::size_t(got[2 * n - 1]) << 16) : 0;
        lostMs += n ? static_cast<double>(last + 1 - n) * 1000 / kRate : 0;
        std::FILE* f = std::fopen(log.c_str(), "r");
        for (char line[512]; f && std::fgets(line, sizeof line, f);) {
            gaps += std::strstr(line, "Input lost") != nullptr;
        }
        if (f) {
            std::fclose(f);
        }
        std::remove(take.c_str());
        SMsg::SetLogPath("");
    }
    std::remove(source.c_str());
    const double runs = static_cast<double>(state.iterations());
    state.SetLabel(freeze ? "fsfreeze" : "held");
    state.counters["stall_ms"] = stallMs;
    state.counters["ring_ms"] = ringMs < 0 ? 32000 : static_cast<double>(ringMs);
    state.counters["lost_ms"] = lostMs / runs;
    state.counters["buffers_lost"] = lostMs / runs / 200;
    state.counters["gaps_logged"] = gaps / runs;
}
// Each stall with no ring, then with the program's (-1: as the program opens it).
BENCHMARK(BM_BlockedWriteLoses)
    ->Args({500, 0})->Args({500, -1})
    ->Args({900, 0})->Args({900, -1})
    ->Args({2000, 0})->Args({2000, -1})
    ->Args({5000, 0})->Args({5000, -1})
    ->Args({30000, 0})->Args({30000, -1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// How long the GUI thread is taken by each buffer while recording 44.1 kHz stereo MP3.
void BM_Mp3PausePerBuffer(benchmark::State& state)
{
    constexpr std::size_t kBuffers = 600;
    const auto pcm = Music(kBuffer / 4 * kBuffers);
    const char* audio = reinterpret_cast<const char*>(pcm.data());
    std::vector<double> pauses;
    for (auto _ : state) {
        Rig rig(1);
        rig.Record();
        for (std::size_t i = 0; i < kBuffers; ++i) {
            platform::scripted::FeedInput(audio + i * kBuffer, kBuffer);
            // A pause is felt on the wall clock, whatever else the machine is doing.
            const auto t0 = std::chrono::steady_clock::now();
            hl::RunUntilIdle();
            pauses.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() * 1e3);
        }
        std::remove(rig.Finish().c_str());
    }
    std::sort(pauses.begin(), pauses.end());
    auto at = [&](double q) { return pauses[static_cast<std::size_t>(q * static_cast<double>(pauses.size() - 1))]; };
    state.counters["p50_ms"] = at(0.5);
    state.counters["p90_ms"] = at(0.9);
    state.counters["p99_ms"] = at(0.99);
    state.counters["max_ms"] = pauses.back();
    state.counters["budget_ms"] = 200;
}
BENCHMARK(BM_Mp3PausePerBuffer)->Iterations(3)->Unit(benchmark::kMillisecond);
}

BENCHMARK_MAIN();
