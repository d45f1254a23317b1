// Clip operations that cannot or must not finish: a full disk, a cancel, a read-only or Ogg recording, another format; each leaves the recording byte for byte as it was. Also what a copy holds back, cuts inside samples and blocks, and how open comments are copied.
#include "tests/files/ClipFixture.h"

#include "files/FileNames.h"
#include "files/FileType.h"
#include "files/WaveFile.h"
#include "tests/files/MemoryRecFile.h"
#include "tests/support/DiskFaults.h"

namespace {
using namespace cliptest;

const CodecCase kPcm{"Pcm16Mono", Container::Wave, WAVE_FORMAT_PCM, 1, 16000, 16, 0, 80, 0, 0};
// 635,040 bytes: more than one copy unit, so a copy takes two steps.
const CodecCase kLongPcm{"Pcm16Stereo", Container::Wave, WAVE_FORMAT_PCM, 2, 44100, 16, 0, 80, 0, 0};
const CodecCase kIma{"ImaAdpcmStereo", Container::Wave, WAVE_FORMAT_IMA_ADPCM, 2, 22050, 16, 0, 25, 0, 1017};
const CodecCase kMp3{"Mp3Mono22k", Container::Mp3, WAVE_FORMAT_MPEGLAYER3, 1, 22050, 16, 32, 18, 1500, 2304};
const CodecCase kOgg{"VorbisMono8k", Container::Ogg, WAVE_FORMAT_OGG_VORBIS, 1, 8000, 16, 0, 25, 0, 2048};

// A recording that acts on its next read once armed, while a copy runs.
class WatchedWave : public WaveFile {
public:
    explicit WatchedWave(const char* name) : WaveFile(name, nullptr, MMIO_READWRITE) {}
    void OnNextRead(std::function<void()> action) { hook = std::move(action); }
    LONG Read(void* buffer, LONG count) override
    {
        if (hook) {
            std::exchange(hook, nullptr)();
        }
        return WaveFile::Read(buffer, count);
    }

private:
    std::function<void()> hook;
};

class ClipRefusals : public ClipTest {
protected:
    void Prepare(const CodecCase& c, DWORD flags = MMIO_READWRITE)
    {
        path = dir.file(std::string(c.name) + takes::Extension(c));
        Record(c, path);
        original = testsupport::ReadAll(path);
        OpenCurrent(path, flags);
    }
    void ExpectUntouched()
    {
        ASSERT_NE(current, nullptr);
        EXPECT_TRUE(current->IsOpen());
        EXPECT_EQ(current->GetName(), path);
        delete current;
        current = nullptr;
        EXPECT_TRUE(testsupport::ReadAll(path) == original);
        for (const std::string& name : testsupport::FolderNames(dir.path())) {
            EXPECT_NE(name.rfind("~rec", 0), 0u) << "a working file was left: " << name;
        }
    }
    std::string path;
    Bytes original;
};
}

TEST_F(ClipRefusals, AReadOnlyRecordingIsNeitherCutNorPastedNorInsertedInto)
{
    Prepare(kPcm, 0);
    ASSERT_TRUE(current->IsReadOnly());
    ClipEdit edit(&current, owner.get(), useClip, progress.get());
    EXPECT_EQ(edit.Copy(starts[1], starts[2]), ClipEdit::Done);
    EXPECT_EQ(edit.Cut(starts[1], starts[2]), ClipEdit::NoWorkingFile);
    EXPECT_EQ(edit.Paste(starts[3]), ClipEdit::NoPasteWorkingFile);
    EXPECT_EQ(edit.InsertFile(starts[3], path.c_str()), ClipEdit::NoPasteWorkingFile);
    // The refusals came first: the copied clip is still there.
    EXPECT_NE(ClipStore(), nullptr);
    ExpectUntouched();
}

TEST_F(ClipRefusals, AnOggRecordingIsNotRebuiltFromCopiedPackets)
{
    Prepare(kOgg);
    ClipEdit edit(&current, owner.get(), useClip, progress.get());
    const DWORD end = current->GetLength();
    EXPECT_EQ(edit.Copy(0, end / 2), ClipEdit::NoClipFile);
    EXPECT_EQ(edit.Cut(0, end / 2), ClipEdit::NoWorkingFile);
    EXPECT_EQ(edit.Paste(0), ClipEdit::NoPasteWorkingFile);
    EXPECT_EQ(edit.InsertFile(0, path.c_str()), ClipEdit::NoPasteWorkingFile);
    EXPECT_EQ(ClipStore(), nullptr);
    ExpectUntouched();
}

TEST_F(ClipRefusals, AnotherFormatIsNeitherPastedNorInserted)
{
    const std::string mp3 = dir.file("other.mp3");
    Record(kMp3, mp3);
    Prepare(kPcm);
    ClipEdit edit(&current, owner.get(), useClip, progress.get());
    EXPECT_EQ(edit.InsertFile(starts[2], mp3.c_str()), ClipEdit::OtherFormat);
    EXPECT_EQ(ClipStore(), nullptr);
    ReplaceClipStore(CreateClipFile(mp3.c_str(), nullptr, 0, -1));
    EXPECT_EQ(edit.Paste(starts[2]), ClipEdit::OtherFormat);
    ExpectUntouched();
}

TEST_F(ClipRefusals, ACancelledCutOrCopyLeavesEverythingAsItWas)
{
    path = dir.file("take.wav");
    Record(kLongPcm, path);
    original = testsupport::ReadAll(path);
    auto* watched = new WatchedWave(path.c_str());
    current = watched;
    ASSERT_TRUE(watched->open());
    watched->OnNextRead(ClickCancelOfProgress);
    current->position(starts[4]);
    {
        ClipEdit edit(&current, owner.get(), useClip, progress.get());
        EXPECT_EQ(edit.Cut(0, starts[9]), ClipEdit::CopyCancelled);
        EXPECT_EQ(ClipStore(), nullptr);
        EXPECT_EQ(current->GetPosition(), starts[4]);
    }
    ExpectUntouched();
    watched = new WatchedWave(path.c_str());
    current = watched;
    ASSERT_TRUE(watched->open());
    watched->OnNextRead(ClickCancelOfProgress);
    ClipEdit edit(&current, owner.get(), useClip, progress.get());
    EXPECT_EQ(edit.Copy(0, current->GetLength()), ClipEdit::CopyCancelled);
    EXPECT_EQ(ClipStore(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    ExpectUntouched();
}

TEST_F(ClipRefusals, MessagesForOtherWindowsWaitUntilTheCopyIsDone)
{
    path = dir.file("take.wav");
    Record(kPcm, path);
    int pingsDuringCopy = -1;
    PostMessage(owner->GetHandle(), Owner::kPing, 0, 0);
    auto* watched = new WatchedWave(path.c_str());
    current = watched;
    ASSERT_TRUE(watched->open());
    watched->OnNextRead([&] {
        PostMessage(owner->GetHandle(), Owner::kPing, 1, 0);
        pingsDuringCopy = owner->pings;
    });
    ClipEdit edit(&current, owner.get(), useClip, progress.get());
    EXPECT_EQ(edit.Cut(starts[2], starts[3]), ClipEdit::CutDone);
    EXPECT_EQ(pingsDuringCopy, 0);
    EXPECT_EQ(owner->pings, 0);
    // Neither dropped: both run once the copy is over.
    platform::headless::RunUntilIdle();
    EXPECT_EQ(owner->pings, 2);
}

// A cut at an odd byte of 16-bit audio, or inside a compressed block, starts
// and ends on the block the position lies in.
TEST_F(ClipRefusals, CutsKeepToWholeSamplesAndBlocks)
{
    for (const CodecCase& c : {kPcm, kIma}) {
        SCOPED_TRACE(c.name);
        Prepare(c);
        const WORD block = Format()->nBlockAlign;
        const DWORD lo = starts[2] + block / 2 + 1;
        const DWORD hi = starts[5] + block - 1;
        ClipEdit edit(&current, owner.get(), useClip, progress.get());
        ASSERT_EQ(edit.Cut(lo, hi), ClipEdit::CutDone);
        ASSERT_TRUE(current->close());
        const DWORD from = lo - lo % block;
        const DWORD to = hi - hi % block;
        EXPECT_TRUE(AudioOnDisk(path) == Cat(Slice(audio, 0, from), Slice(audio, to, audio.size())));
        const std::size_t kept = audio.size() - (to - from);
        const WORD perBlock = c.tag == WAVE_FORMAT_PCM ? 1 : platform::LoadLe16(format.data() + 18);
        ExpectReadersAccept(path, kept / block * perBlock, c.channels);
        delete current;
        current = nullptr;
        ReplaceClipStore(nullptr);
    }
}

TEST(ClipCopyData, OpenCommentsStayOpenAndEveryWriteCounts)
{
    MemoryRecFile from;
    const std::vector<std::uint8_t> bytes(1000, 7);
    ASSERT_EQ(from.Write(bytes.data(), 1000), 1000);
    from.AddComment("open", 100, 0);
    ASSERT_EQ(from.GetCommentEndAt(0), 0u);
    MemoryRecFile to;
    ClipEdit edit(nullptr, nullptr, false, nullptr);
    from.position(50);
    EXPECT_EQ(edit.CopyData(&to, &from, 400, nullptr), 400u);
    ASSERT_EQ(to.GetCommentCount(), 1);
    EXPECT_EQ(to.GetCommentStart(0), 50u);
    EXPECT_EQ(to.GetCommentEndAt(0), 0u);
    // One that began before the range comes in at its start, still open.
    MemoryRecFile second;
    from.position(300);
    EXPECT_EQ(edit.CopyData(&second, &from, 100, nullptr), 100u);
    ASSERT_EQ(second.GetCommentCount(), 1);
    EXPECT_EQ(second.GetCommentStart(0), 0u);
    EXPECT_EQ(second.GetCommentEndAt(0), 0u);

    // A destination that stops taking bytes ends the copy short.
    class FullFile : public MemoryRecFile {
    public:
        LONG Write(const void* data, LONG count) override { return GetDataSize() >= 100 ? -1 : MemoryRecFile::Write(data, count); }
    } full;
    ASSERT_EQ(full.Write(bytes.data(), 100), 100);
    from.position(0);
    EXPECT_EQ(edit.CopyData(&full, &from, 500, nullptr), 0u);
}

namespace {
class ClipOnAFullDisk : public ClipTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override
    {
        ClipTest::SetUp();
        std::string why;
        space = testsupport::OutOfSpace::Make(GetParam(), &why);
        if (!space) {
            GTEST_SKIP() << why;
        }
        path = space->Folder() + "/take.wav";
        Record(kPcm, path);
        original = testsupport::ReadAll(path);
        OpenCurrent(path);
    }
    void TearDown() override
    {
        if (space) {
            space->Relieve();
        }
        ClipTest::TearDown();
    }
    void ExpectOriginalAndAlone()
    {
        ASSERT_NE(current, nullptr);
        EXPECT_TRUE(current->IsOpen());
        EXPECT_EQ(current->GetName(), path);
        EXPECT_TRUE(testsupport::ReadAll(path) == original);
        EXPECT_EQ(testsupport::FolderNames(space->Folder()), std::vector<std::string>{"take.wav"});
    }
    std::unique_ptr<testsupport::OutOfSpace> space;
    std::string path;
    Bytes original;
};
}

TEST_P(ClipOnAFullDisk, CutAndPasteFailAndKeepTheRecording)
{
    ClipEdit edit(&current, owner.get(), useClip, progress.get());
    ASSERT_EQ(edit.Copy(starts[12], starts[13]), ClipEdit::Done);
    // Room for half the recording: the working file cannot be finished.
    space->Exhaust(original.size() / 2);
    EXPECT_EQ(edit.Cut(starts[12], starts[13]), ClipEdit::NoWorkingFile);
    ExpectOriginalAndAlone();
    ASSERT_EQ(edit.Copy(starts[1], starts[2]), ClipEdit::Done);
    EXPECT_EQ(edit.Paste(starts[3]), ClipEdit::NoPasteWorkingFile);
    ExpectOriginalAndAlone();
    // With room again the same cut goes through.
    space->Relieve();
    EXPECT_EQ(edit.Cut(starts[12], starts[13]), ClipEdit::CutDone);
    EXPECT_TRUE(current->close());
    EXPECT_TRUE(AudioOnDisk(path) == Cat(Slice(audio, 0, starts[12]), Slice(audio, starts[13], audio.size())));
}

TEST_P(ClipOnAFullDisk, ASaveThatCannotBeWrittenLeavesNoPartialFile)
{
    ClipEdit edit(&current, owner.get(), useClip, progress.get());
    ASSERT_EQ(edit.Copy(0, starts[10]), ClipEdit::Done);
    ASSERT_TRUE(edit.CopyFileToClipboard(path.c_str()));
    space->Exhaust(original.size() / 4);
    const std::string saved = space->Folder() + "/clip.wav";
    EXPECT_EQ(edit.SaveClip(saved.c_str()), ClipEdit::SaveNotWritten);
    EXPECT_FALSE(edit.PasteClipboardToFile(saved.c_str()));
    useClip = true;
    EXPECT_EQ(edit.SaveClip(saved.c_str()), ClipEdit::SaveNotWritten);
    ExpectOriginalAndAlone();
}

INSTANTIATE_TEST_SUITE_P(SmallDiskOrFileLimit, ClipOnAFullDisk, ::testing::Values("tmpfs", "filesize"));
