#pragma once
// A main window in a frame on the headless backend, recording from the scripted
// input with the manual clock into a private folder: counted samples go in,
// and what reached the files is read back by independent readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "app/FormatBuffers.h"
#include "app/SMsg.h"
#include "app/StartOptions.h"
#include "files/RecFile.h"
#include "files/WaveFile.h"
#include "owl/FrameWindow.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/SafeOpen.h"
#include "platform/user/Headless.h"
#include "platform/user/Resources.h"
#include "platform/wave/ScriptedWave.h"
#include "platform/wave/WavReader.h"
#include "recorder/AppDialog.h"
#include "resources/Resources.h"
#include "settings/FileSettings.h"
#include "settings/Mp3Settings.h"
#include "settings/RecordSettings.h"
#include "settings/Settings.h"
#include "settings/TimerSettings.h"
#include "settings/VorbisSettings.h"
#include "settings/WaveSettings.h"
#include "tests/support/DiskFaults.h"
#include "tests/support/TestSupport.h"

namespace hl = platform::headless;
namespace script = platform::scripted;

constexpr std::int64_t kStartTime = 1'700'000'000;

// Frame n of the counted stream, 16-bit stereo: the low bytes carry n, so a
// repeated, lost or reordered frame shows; the left high byte makes it loud or quiet.
inline void CountedFrame(std::uint32_t n, bool loud, std::uint8_t* out)
{
    out[0] = static_cast<std::uint8_t>(n & 0xFF);
    out[1] = loud ? 0x40 : 0x00;
    out[2] = static_cast<std::uint8_t>((n >> 8) & 0xFF);
    out[3] = static_cast<std::uint8_t>((n >> 16) & 0x3F);
}

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TAPVOX_AUDIO", "script", 1);
        setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
        setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
        setenv("XDG_CACHE_HOME", dir.file("cache").c_str(), 1);
        script::ResetWaveScript();
        hl::Reset();
        platform::ClearResources();
        resources::RegisterAll();
        platform::UseManualClock(kStartTime);
        MaxFormatSize = 2000;
        AllocateFormatBuffers();
        SMsg::SetLogPath(dir.file("tapvox.log"));
        StartOptions = TStartOptions{};
        CurrentFileName[0] = 0;
        TimerSettings = TTimerSettings{};
        folder = dir.file("rec");
        mkdir(folder.c_str(), 0700);
        SoundLevel = 0;
        HangOverTime = 1;
        RecordMode = 0;
        TalkOff = 3;
        FileSize = 0;
        FileAction = 0;
        FileLimitKind = 0;
        FileMinutes = 0;
        LHMode = 0;
        AutoName = true;
        AutoPrompt = false;
        std::snprintf(DefaultDirectory, sizeof DefaultDirectory, "%s", folder.c_str());
        std::snprintf(ImprovedFilePrefix, sizeof ImprovedFilePrefix, "take");
        SampleRate = 8000;
        Resolution = true;
        Stereo = true;
        std::snprintf(ACMDriver, sizeof ACMDriver, "No compression");
        ACMFormatTag = 1;
        DefaultAudioFormat = 0;
        Mp3SampleRate = 16000;
        Mp3Stereo = false;
        SetDefaultMp3Format(Mp3FormatBuffer);
        Mp3ACMDriver[0] = 0;
        VorStereo = 1;
        VorSampleRate = 8000;
        VorQ = 3;
    }

    void TearDown() override
    {
        sizeLimit.reset();
        delete frame;
        frame = nullptr;
        dialog = nullptr;
        hl::Reset();
        platform::ClearResources();
        FreeFormatBuffers();
        SMsg::SetLogPath("");
        platform::UseSystemClock();
    }

    // The frame with the main window as its client, as the application makes them.
    void Open()
    {
        dialog = new TAppDialog(nullptr);
        frame = new OWL::TFrameWindow(nullptr, "Tapvox", dialog);
        ASSERT_TRUE(frame->Create());
        hl::RunUntilIdle();
    }

    void ClickRecord() { hl::Click(GetDlgItem(dialog->GetHandle(), 150)); }
    void ClickStop() { hl::Click(GetDlgItem(dialog->GetHandle(), 154)); }

    DWORD BufferBytes() const
    {
        const WAVEFORMATEX& f = dialog->GetDeviceFormat();
        DWORD n = f.nAvgBytesPerSec / 5;
        return n - n % f.nBlockAlign;
    }

    // count buffers of the counted stream, one fifth of a second each, the clock
    // moving with them; the loop runs after each.
    void Feed(int count, bool loud) { FeedFrames(count * (BufferBytes() / 4), loud, true); }
    void FeedFrames(std::uint32_t frames, bool loud, bool advance = true)
    {
        const DWORD perBuffer = BufferBytes() / 4;
        std::vector<std::uint8_t> bytes(4);
        while (frames > 0) {
            const std::uint32_t now = std::min(frames, perBuffer);
            std::vector<std::uint8_t> block(now * 4);
            for (std::uint32_t i = 0; i < now; ++i) {
                CountedFrame(next + i, loud, &block[i * 4]);
            }
            const std::size_t taken = script::FeedInput(block.data(), block.size());
            fed.insert(fed.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(taken));
            next += static_cast<std::uint32_t>(taken / 4);
            frames -= now;
            if (advance) {
                platform::AdvanceClock(200);
            }
            hl::RunUntilIdle();
        }
    }
    // The bytes of fed frames [first, first + count).
    std::vector<std::uint8_t> FedFrames(std::uint32_t first, std::uint32_t count) const
    {
        return std::vector<std::uint8_t>(fed.begin() + first * 4, fed.begin() + (first + count) * 4);
    }
    std::uint32_t FramesPerBuffer() const { return BufferBytes() / 4; }

    // The sample bytes of a WAV file as sox reads them.
    std::vector<std::uint8_t> SoxSamples(const std::string& path)
    {
        const std::string raw = dir.file("sox.raw");
        int status = -1;
        testsupport::RunCapture("sox '" + path + "' -t raw '" + raw + "' 2>&1", &status);
        EXPECT_EQ(status, 0) << path;
        return testsupport::ReadAll(raw);
    }

    std::string CurrentName() const { return dialog->GetCurrentFile() ? dialog->GetCurrentFile()->GetName() : ""; }

    // Files of this process can grow to bytes and no further, as on a disk that fills up.
    void LimitFileSize(std::uint64_t bytes)
    {
        std::string why;
        if (!sizeLimit) {
            sizeLimit = testsupport::OutOfSpace::Make("filesize", &why);
        }
        sizeLimit->Exhaust(bytes);
    }
    void UnlimitFileSize()
    {
        if (sizeLimit) {
            sizeLimit->Relieve();
        }
    }
    // A file system of its own at path, in a mount namespace of this process only;
    // false where the machine allows none (the caller skips).
    static bool SmallFileSystem(const std::string& path, const char* size)
    {
        if (geteuid() != 0 || !testsupport::detail::PrivateMounts()) {
            return false;
        }
        mkdir(path.c_str(), 0700);
        return mount("tapvox", path.c_str(), "tmpfs", 0, (std::string("size=") + size).c_str()) == 0;
    }
    static std::vector<std::string> WavesIn(const std::string& path)
    {
        std::vector<std::string> names;
        if (DIR* d = opendir(path.c_str())) {
            while (dirent* e = readdir(d)) {
                const std::string n = e->d_name;
                if (n.size() > 4 && n.compare(n.size() - 4, 4, ".wav") == 0) {
                    names.push_back(n);
                }
            }
            closedir(d);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // A 16-bit stereo 8 kHz WAV file of data bytes that takes no room on disk (its data is a hole).
    static void MakeSparseWave(const std::string& path, DWORD data)
    {
        std::vector<std::uint8_t> header = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                            16,  0,   0,   0,   1, 0, 2, 0, 0,   0,   0,   0,   0,   0,   0,   0,
                                            4,   0,   16,  0,   'd', 'a', 't', 'a', 0, 0, 0, 0};
        auto put32 = [&](std::size_t at, DWORD v) {
            for (std::size_t i = 0; i < 4; ++i) {
                header[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
            }
        };
        put32(4, 36 + data);
        put32(24, 8000);
        put32(28, 32000);
        put32(40, data);
        testsupport::WriteAll(path, header);
        ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(header.size()) + static_cast<off_t>(data)), 0);
    }
    std::string Log() const
    {
        const auto bytes = testsupport::ReadAll(dir.file("tapvox.log"));
        return std::string(bytes.begin(), bytes.end());
    }
    static int Boxes(const std::string& text)
    {
        return static_cast<int>(std::count_if(hl::MessageBoxes().begin(), hl::MessageBoxes().end(),
                                              [&](const hl::MessageBoxCall& b) { return b.text == text; }));
    }

    std::unique_ptr<testsupport::OutOfSpace> sizeLimit;
    testsupport::TempDir dir;
    // The engine makes the recording folder, inside dir, current.
    testsupport::KeepCurrentDirectory keepDirectory;
    std::string folder;
    OWL::TFrameWindow* frame = nullptr;
    TAppDialog* dialog = nullptr;
    std::vector<std::uint8_t> fed;
    std::uint32_t next = 0;
};

// A recording opened read-only for its markers and comments.
inline std::unique_ptr<WaveFile> ReadWave(const std::string& path)
{
    auto f = std::make_unique<WaveFile>(path.c_str(), nullptr, MMIO_READ);
    f->open();
    return f;
}
