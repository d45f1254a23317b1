// Recording-file costs against the codec libraries called directly, in the
// same run:
//  - Ogg Vorbis: OggVorbisFile::WriteSamples in engine-sized buffers (a fifth
//    of a second) at quality 4, 44.1 kHz stereo, against libvorbisenc and
//    libogg writing the same samples to a file. 60 s of audio per iteration
//    (an hour would take minutes per iteration; the cost is linear).
//  - MP3: opening a one-hour file and seeking to its middle byte (landing on the
//    next frame start) through Mp3File, against the least the same work costs
//    with plain system calls: read the first frame's header, then read at the
//    middle and find the next frame whose successor also syncs. (libmpg123's
//    seek is sample-exact, another job, so it is not the baseline here.)
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "bench/DirectEncoders.h"
#include "files/Mp3File.h"
#include "files/OggVorbisFile.h"
#include "platform/acm/Acm.h"

namespace {
constexpr int kRate = 44100;
constexpr int kSeconds = 60;
constexpr int kBufferFrames = kRate / 5;

const std::string& Folder()
{
    // Never destroyed: the exit handler that removes the folder still reads it.
    static const std::string& folder = *new std::string([] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/tapvox-bench-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            return std::string(".");
        }
        std::atexit([] { std::filesystem::remove_all(Folder()); });
        return pattern;
    }());
    return folder;
}

const std::vector<short>& Samples()
{
    static const std::vector<short> pcm = [] {
        std::vector<short> v(static_cast<std::size_t>(kRate) * kSeconds * 2);
        for (std::size_t i = 0; i < v.size() / 2; ++i) {
            const double t = static_cast<double>(i) / kRate;
            v[2 * i] = static_cast<short>(7000 * std::sin(2 * M_PI * 440 * t) + 500 * std::sin(2 * M_PI * 3100 * t));
            v[2 * i + 1] = static_cast<short>(6000 * std::sin(2 * M_PI * 660 * t));
        }
        return v;
    }();
    return pcm;
}

void OggWriteSamples(benchmark::State& state)
{
    const std::vector<short>& pcm = Samples();
    const std::string path = Folder() + "/bench.ogg";
    const WAVEFORMATEX fmt{WAVE_FORMAT_OGG_VORBIS, 2, kRate, kRate * 4, 4, 16, 0};
    for (auto _ : state) {
        std::remove(path.c_str());
        OggVorbisFile f(path.c_str(), &fmt, 4, MMIO_READWRITE);
        f.open();
        for (std::size_t off = 0; off < pcm.size(); off += kBufferFrames * 2) {
            f.WriteSamples(&pcm[off], kBufferFrames * 4);
        }
        f.close();
    }
    std::remove(path.c_str());
    std::remove((Folder() + "/bench.~gg").c_str());
}

void OggLibvorbisDirect(benchmark::State& state)
{
    const std::vector<short>& pcm = Samples();
    const std::string path = Folder() + "/direct.ogg";
    for (auto _ : state) {
        benchdirect::EncodeVorbis(pcm, kRate, 0.4f, kBufferFrames, path);
    }
    std::remove(path.c_str());
}

// One hour of 128 kbit/s stereo: one encoded second repeated (valid frames
// throughout, about 58 MB).
const std::string& LongMp3()
{
    static const std::string path = [] {
        const std::string p = Folder() + "/hour.mp3";
        WAVEFORMATEX pcm{WAVE_FORMAT_PCM, 2, kRate, kRate * 4, 4, 16, 0};
        MPEGLAYER3WAVEFORMAT mp3{};
        mp3.wfx = WAVEFORMATEX{WAVE_FORMAT_MPEGLAYER3, 2, kRate, 16000, 1, 0, MPEGLAYER3_WFX_EXTRA_BYTES};
        mp3.wID = MPEGLAYER3_ID_MPEG;
        mp3.nFramesPerBlock = 1;
        HACMSTREAM s = nullptr;
        acmStreamOpen(&s, nullptr, &pcm, &mp3.wfx, nullptr, 0, 0, 0);
        // Whole frames only: 1152-sample frames, 38 of them is just under a second.
        std::vector<short> second(static_cast<std::size_t>(1152) * 40 * 2);
        for (std::size_t i = 0; i < second.size(); ++i) {
            second[i] = static_cast<short>(5000 * std::sin(static_cast<double>(i) * 0.01));
        }
        std::vector<BYTE> out(1 << 20);
        ACMSTREAMHEADER h{};
        h.cbStruct = sizeof h;
        h.pbSrc = reinterpret_cast<LPBYTE>(second.data());
        h.cbSrcLength = static_cast<DWORD>(second.size() * 2);
        h.pbDst = out.data();
        h.cbDstLength = static_cast<DWORD>(out.size());
        acmStreamPrepareHeader(s, &h, 0);
        acmStreamConvert(s, &h, ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_END);
        acmStreamUnprepareHeader(s, &h, 0);
        acmStreamClose(s, 0);
        FILE* f = std::fopen(p.c_str(), "wb");
        const long block = static_cast<long>(h.cbDstLengthUsed);  // whole frames, the encoder flushed
        for (long written = 0; written < 3600L * 16000; written += block) {
            std::fwrite(out.data(), 1, static_cast<std::size_t>(block), f);
        }
        std::fclose(f);
        return p;
    }();
    return path;
}

// Bytes of the MPEG-1 Layer III frame whose header starts at p, or 0 when p holds none.
long FrameBytes(const unsigned char* p)
{
    static const int kKbps[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int kRates[4] = {44100, 48000, 32000, 0};
    if (p[0] != 0xFF || (p[1] & 0xFE) != 0xFA) {
        return 0;
    }
    const int kbps = kKbps[p[2] >> 4];
    const int rate = kRates[(p[2] >> 2) & 3];
    if (kbps == 0 || rate == 0) {
        return 0;
    }
    return 144000L * kbps / rate + ((p[2] >> 1) & 1);
}

// The offset of the first frame at or after `from` in buf whose next frame also starts where it says, or -1.
long NextFrame(const unsigned char* buf, long size, long from)
{
    for (long i = from; i + 4 <= size; ++i) {
        const long n = FrameBytes(buf + i);
        if (n > 0 && i + n + 4 <= size && FrameBytes(buf + i + n) > 0) {
            return i;
        }
    }
    return -1;
}

void Mp3FileOpenSeekMiddle(const std::string& path)
{
    Mp3File f(path.c_str(), nullptr, MMIO_READ);
    f.open();
    f.position(f.GetDataSize() / 2);
    benchmark::DoNotOptimize(f.GetPosition());
    f.close();
}

void DirectOpenSeekMiddle(const std::string& path, std::vector<unsigned char>& buf)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    fstat(fd, &st);
    long got = pread(fd, buf.data(), buf.size(), 0);
    benchmark::DoNotOptimize(NextFrame(buf.data(), got, 0));
    got = pread(fd, buf.data(), buf.size(), st.st_size / 2);
    benchmark::DoNotOptimize(NextFrame(buf.data(), got, 0));
    close(fd);
}

// A fixed per-file cost: each iteration opens and seeks once each way, in turn.
void Mp3OpenSeekMiddle(benchmark::State& state)
{
    const std::string& path = LongMp3();
    std::vector<unsigned char> buf(8192);
    double ours = 0;
    double direct = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        Mp3FileOpenSeekMiddle(path);
        auto t1 = std::chrono::steady_clock::now();
        DirectOpenSeekMiddle(path, buf);
        auto t2 = std::chrono::steady_clock::now();
        ours += std::chrono::duration<double, std::micro>(t1 - t0).count();
        direct += std::chrono::duration<double, std::micro>(t2 - t1).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["mp3file_us"] = ours / n;
    state.counters["direct_us"] = direct / n;
    state.counters["ratio"] = ours / direct;
}
}

BENCHMARK(OggWriteSamples)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(OggLibvorbisDirect)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Mp3OpenSeekMiddle)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
