// Playback through ALSA's default device beside the null sound server: an independent
// capture of the sink's monitor must hold the file's samples, in order, without gaps.
#include "tests/recorder/PlaybackFixture.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {
// parec on the monitor of the server's null sink, read on a thread of its own so
// the pipe never fills while the engine plays.
class MonitorCapture {
public:
    MonitorCapture()
    {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        char* argv[] = {const_cast<char*>("parec"), const_cast<char*>("-d"), const_cast<char*>("tapvox_null.monitor"),
                        const_cast<char*>("--format=s16le"), const_cast<char*>("--rate=44100"),
                        const_cast<char*>("--channels=2"), const_cast<char*>("--raw"),
                        const_cast<char*>("--latency-msec=20"), nullptr};
        const bool spawned = posix_spawnp(&pid_, "parec", &actions, nullptr, argv, environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (!spawned) {
            close(fds[0]);
            pid_ = -1;
            return;
        }
        fd_ = fds[0];
        reader_ = std::thread([this] { Read(); });
    }
    ~MonitorCapture() { Stop(); }
    bool Started() const { return fd_ >= 0; }
    // Waits, on the data itself, until done says the capture holds enough or the time is up.
    template <typename Done> bool WaitFor(std::chrono::seconds most, Done done)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, most, [&] { return ended_ || done(bytes_); }) && done(bytes_);
    }
    std::vector<std::uint8_t> Stop()
    {
        if (pid_ > 0) {
            // The reader ends at the end of the pipe, once parec is gone.
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
            reader_.join();
            close(fd_);
        }
        std::lock_guard<std::mutex> lock(mutex_);
        return bytes_;
    }

private:
    void Read()
    {
        std::uint8_t block[8192];
        for (;;) {
            const ssize_t n = read(fd_, block, sizeof block);
            std::lock_guard<std::mutex> lock(mutex_);
            if (n <= 0) {
                ended_ = true;
                changed_.notify_all();
                return;
            }
            bytes_.insert(bytes_.end(), block, block + n);
            changed_.notify_all();
        }
    }

    pid_t pid_ = -1;
    int fd_ = -1;
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::uint8_t> bytes_;
    bool ended_ = false;
};

// The first frame of the capture that is not silence, in bytes; npos when all is silent.
std::size_t FirstSound(const std::vector<std::uint8_t>& capture)
{
    for (std::size_t i = 0; i + 1 < capture.size(); i += 2) {
        if (capture[i] || capture[i + 1]) {
            return i - i % 4;
        }
    }
    return std::string::npos;
}

// Where in data (within its first most bytes) the 16 frames of capture at byte at begin; npos when nowhere.
std::size_t FrameOf(const std::vector<std::uint8_t>& data, const std::vector<std::uint8_t>& capture, std::size_t at,
                    std::size_t most)
{
    const std::vector<std::uint8_t> window(capture.begin() + static_cast<std::ptrdiff_t>(at),
                                           capture.begin() + static_cast<std::ptrdiff_t>(at + 64));
    for (std::size_t i = 0; i + 64 <= data.size() && i <= most; i += 4) {
        if (LargestDifference(window, std::vector<std::uint8_t>(data.begin() + static_cast<std::ptrdiff_t>(i),
                                                                 data.begin() + static_cast<std::ptrdiff_t>(i + 64))) <= 2) {
            return i;
        }
    }
    return std::string::npos;
}

class RealPlayback : public PlaybackTest {};
}

TEST_F(RealPlayback, AlsaPlaysTheFileIntoTheSinkSampleForSample)
{
    TAPVOX_REQUIRE_TOOL("parec");
    unsetenv("TAPVOX_AUDIO");
    platform::UseSystemClock();
    WAVEOUTCAPSA caps{};
    if (waveOutGetDevCapsA(WAVE_MAPPER, &caps, sizeof caps) != MMSYSERR_NOERROR || !getenv("PULSE_SERVER")) {
        GTEST_SKIP() << "no sound server here (run under with-null-sound-server)";
    }
    // Two seconds that never repeat and never fall silent: a sweep in one channel, counted noise in the other.
    const WAVEFORMATEX f = MakePcmFormat(2, 44100, 16);
    std::vector<std::uint8_t> data(44100 * 4 * 2);
    std::uint32_t noise = 12345;
    for (std::size_t i = 0; i < data.size(); i += 4) {
        const double t = double(i / 4) / 44100;
        const auto left = static_cast<std::int16_t>(9000 * std::sin(2 * M_PI * (200 + 400 * t) * t) + 3);
        noise = noise * 1664525u + 1013904223u;
        const auto right = static_cast<std::int16_t>(static_cast<std::int32_t>(noise >> 20) - 2048 + 5000);
        platform::StoreLe16(&data[i], static_cast<std::uint16_t>(left));
        platform::StoreLe16(&data[i + 2], static_cast<std::uint16_t>(right));
    }
    OpenFile(WavWith(data, f));

    MonitorCapture capture;
    ASSERT_TRUE(capture.Started());
    // The monitor gives silence from the start, so the capture runs before the file plays.
    ASSERT_TRUE(capture.WaitFor(std::chrono::seconds(10), [](const auto& b) { return b.size() >= 44100 * 4 / 10; }));
    ClickPlay();
    ASSERT_TRUE(dialog->IsOutputOpen());
    // The device's messages wake the loop; the schedule poll wakes it at least every two seconds.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    MSG msg;
    while (dialog->IsOutputOpen() && std::chrono::steady_clock::now() < deadline && GetMessage(&msg, nullptr, 0, 0)) {
        platform::ProcessMessage(&msg);
    }
    EXPECT_FALSE(dialog->IsOutputOpen()) << "playback did not end";
    // The server drops the first few milliseconds of a new stream from the monitor (a
    // stream sox plays through ALSA loses more); from there on every frame must arrive.
    constexpr std::size_t kMostLost = 44100 * 4 / 4;
    std::size_t start = std::string::npos;
    std::size_t lost = 0;
    const bool whole = capture.WaitFor(std::chrono::seconds(10), [&](const auto& b) {
        start = FirstSound(b);
        if (start == std::string::npos || b.size() < start + 64) {
            return false;
        }
        lost = FrameOf(data, b, start, kMostLost);
        return lost != std::string::npos && b.size() >= start + data.size() - lost;
    });
    const std::vector<std::uint8_t> heard = capture.Stop();
    ASSERT_TRUE(whole) << "the capture holds " << heard.size() << " bytes, the file's sound from byte " << start;
    const std::vector<std::uint8_t> tail(data.begin() + static_cast<std::ptrdiff_t>(lost), data.end());
    const std::vector<std::uint8_t> played(heard.begin() + static_cast<std::ptrdiff_t>(start),
                                           heard.begin() + static_cast<std::ptrdiff_t>(start + tail.size()));
    // The server passes 16-bit samples at the sink's own rate through unchanged but for rounding.
    EXPECT_LE(LargestDifference(played, tail), 2);
}
