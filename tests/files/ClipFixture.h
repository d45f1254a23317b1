#pragma once
// Recordings for the clip-operation tests: a take of whole engine buffers with
// timed markers and comments at buffer starts, its audio bytes as written, an
// owner window, a private temp folder, and the independent readers' checks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <utility>
#include <memory>
#include <string>
#include <vector>

#include "controls/ClipProgressDialog.h"
#include "files/ClipEdit.h"
#include "files/FileType.h"
#include "files/Mp3File.h"
#include "owl/Window.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Clipboard.h"
#include "platform/user/Headless.h"
#include "platform/user/Resources.h"
#include "resources/Resources.h"
#include "tests/files/RecordingTakes.h"
#include "tests/files/WaveTestUtil.h"
#include "tests/support/TestSupport.h"

namespace cliptest {
using takes::Bytes;
using takes::CodecCase;
using takes::Container;

constexpr __time64_t kStart = 1800000000;

// Counts one private message, to see when messages held during a copy run.
class Owner : public OWL::TWindow {
public:
    static constexpr UINT kPing = WM_USER + 77;
    Owner() : OWL::TWindow(nullptr, "owner") {}
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == kPing) {
            ++pings;
            return 0;
        }
        return OWL::TWindow::WindowProc(msg, wParam, lParam);
    }
    int pings = 0;
};

// The Cancel button of the progress window that is up (it holds the mouse capture).
inline void ClickCancelOfProgress()
{
    if (HWND cancel = GetCapture()) {
        PostMessage(GetParent(cancel), WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(cancel));
    }
}

class ClipTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::headless::Reset();
        platform::ClearResources();
        platform::ResetClipboard();
        resources::RegisterAll();
        platform::UseManualClock(kStart);
        setenv("XDG_CACHE_HOME", dir.file("cache").c_str(), 1);
        owner = std::make_unique<Owner>();
        ASSERT_TRUE(owner->Create());
        progress = std::make_unique<ClipProgressDialog>(owner.get());
    }
    void TearDown() override
    {
        ReplaceClipStore(nullptr);
        delete current;
        current = nullptr;
        progress.reset();
        owner.reset();
        platform::ResetClipboard();
        platform::headless::Reset();
        platform::ClearResources();
        platform::UseSystemClock();
    }

    // Writes the take: markers at buffers 0, 6 and 12 (one time each), a
    // comment over buffers 6..10 and one from buffer 14 to the end; closed.
    void Record(const CodecCase& c, const std::string& at)
    {
        format = takes::FileFormat(c);
        ASSERT_GE(format.size(), sizeof(WAVEFORMATEX));
        const takes::Take take = takes::EngineBuffers(c, format, takes::SourceSamples(c));
        ASSERT_EQ(take.buffers.size(), std::size_t(takes::kBuffers));
        starts.assign(1, 0);
        for (const Bytes& b : take.buffers) {
            starts.push_back(starts.back() + static_cast<DWORD>(b.size()));
        }
        audio = take.all;
        auto f = takes::MakeFile(c, at, Format(), MMIO_READWRITE);
        ASSERT_TRUE(f->open());
        for (int i = 0; i < takes::kBuffers; ++i) {
            if (i == 0 || i == 6 || i == 12) {
                f->AddMarker(f->GetLength(), kStart + 100 * (i / 6));
            }
            if (i == 10) {
                f->AddComment("burst", starts[6], starts[10]);
            }
            ASSERT_TRUE(takes::WriteBuffer(*f, c, take.buffers[std::size_t(i)]));
        }
        f->AddComment("tail", starts[14], DWORD(-1));
        ASSERT_TRUE(f->close());
    }
    // The recording at path opened as the engine's current file.
    void OpenCurrent(const std::string& at, DWORD flags = MMIO_READWRITE)
    {
        delete current;
        current = CreateClipFile(at.c_str(), nullptr, flags, -1);
        ASSERT_NE(current, nullptr);
        ASSERT_TRUE(current->IsOpen());
    }
    RecFile* Current() const { return dynamic_cast<RecFile*>(current); }
    const WAVEFORMATEX* Format() const { return reinterpret_cast<const WAVEFORMATEX*>(format.data()); }

    testsupport::TempDir dir;
    std::unique_ptr<Owner> owner;
    std::unique_ptr<ClipProgressDialog> progress;
    bool useClip = false;  // the UseWinClip setting the operations are given
    MediaFile* current = nullptr;
    Bytes format;
    Bytes audio;                // every audio byte of the take
    std::vector<DWORD> starts;  // byte position of each buffer, and the end
};

inline Bytes Slice(const Bytes& b, std::size_t from, std::size_t to) { return Bytes(b.begin() + long(from), b.begin() + long(to)); }
inline Bytes Cat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The audio bytes of a file on disk, found without our file classes for WAV
// (its data chunk) and past the tags for MP3.
inline Bytes AudioOnDisk(const std::string& path)
{
    const Bytes all = testsupport::ReadAll(path);
    if (GetFileTypeFromName(path.c_str()) == 1) {
        Mp3File f(path.c_str(), nullptr, 0);
        if (!f.open()) {
            return {};
        }
        return Slice(all, f.GetDataOffset(), f.GetDataOffset() + f.GetDataSize());
    }
    const auto chunks = RiffChunks(all);
    const RawChunk* data = FindChunk(chunks, "data");
    return data ? Slice(all, data->dataOffset, data->dataOffset + data->size) : Bytes{};
}

// The readers every result must pass: sox and sndfile-info for WAV, mpg123
// and ffprobe for MP3.
inline void ExpectReadersAccept(const std::string& path, std::size_t frames, WORD channels)
{
    int status = -1;
    if (GetFileTypeFromName(path.c_str()) == 1) {
        if (testsupport::HaveTool("mpg123")) {
            const std::string out = testsupport::RunCapture("mpg123 -q -t '" + path + "' 2>&1", &status);
            EXPECT_EQ(status, 0) << out;
        }
    } else {
        if (testsupport::HaveTool("soxi")) {
            const std::string out = testsupport::RunCapture("soxi -s '" + path + "' 2>&1", &status);
            EXPECT_EQ(status, 0) << out;
            // Whole blocks: a compressed file may end in a padded one.
            EXPECT_NEAR(std::atof(out.c_str()), double(frames), 2048.0) << out;
        }
        if (testsupport::HaveTool("sndfile-info")) {
            const std::string info = testsupport::RunCapture("sndfile-info '" + path + "' 2>&1");
            EXPECT_NE(info.find("Channels    : " + std::to_string(channels)), std::string::npos) << info;
        }
    }
    if (testsupport::HaveTool("ffprobe")) {
        const std::string out = testsupport::RunCapture("ffprobe -v error '" + path + "' 2>&1", &status);
        EXPECT_EQ(status, 0) << out;
        EXPECT_EQ(out, "") << out;
    }
}
}
