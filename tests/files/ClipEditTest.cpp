// Cut, copy, paste, insert and save-clip on WAV (PCM, IMA ADPCM) and MP3: the audio outside the range stays bit for bit, markers and comments move with the audio, independent readers accept the results.
#include "tests/files/ClipFixture.h"

#include "files/ClipboardFiles.h"
#include "files/FileNames.h"
#include "files/FileType.h"

namespace {
using namespace cliptest;

const CodecCase kCases[] = {
    {"Pcm16Mono", Container::Wave, WAVE_FORMAT_PCM, 1, 16000, 16, 0, 80, 0, 0},
    {"ImaAdpcmStereo", Container::Wave, WAVE_FORMAT_IMA_ADPCM, 2, 22050, 16, 0, 25, 0, 1017},
    {"Mp3Mono22k", Container::Mp3, WAVE_FORMAT_MPEGLAYER3, 1, 22050, 16, 32, 18, 1500, 2304},
};

// Frames the readers count in a run of whole blocks of the file's format.
std::size_t FramesIn(const WAVEFORMATEX* f, std::size_t bytes)
{
    if (f->wFormatTag == WAVE_FORMAT_IMA_ADPCM) {
        const WORD perBlock = platform::LoadLe16(reinterpret_cast<const BYTE*>(f) + 18);
        return bytes / f->nBlockAlign * perBlock;
    }
    return bytes / f->nBlockAlign;
}

class ClipEdits : public ClipTest, public ::testing::WithParamInterface<CodecCase> {
protected:
    void SetUp() override
    {
        ClipTest::SetUp();
        path = dir.file(std::string("take") + takes::Extension(c));
        Record(c, path);
        OpenCurrent(path);
        original = testsupport::ReadAll(path);
        ASSERT_EQ(AudioOnDisk(path), audio);
        // Where a cut can fall: WAV buffers end on whole blocks, MP3 frames
        // straddle them, so there the next frame's sync.
        for (DWORD s : starts) {
            ASSERT_TRUE(current->position(s));
            at.push_back(current->GetPosition());
            if (c.container == Container::Mp3 && at.back() < audio.size()) {
                EXPECT_EQ(audio[at.back()], 0xFF);
                EXPECT_EQ(audio[at.back() + 1] & 0xE0, 0xE0);
            }
        }
        current->position(0);
    }
    void ExpectAudio(const std::string& at, const Bytes& expected)
    {
        const Bytes got = AudioOnDisk(at);
        EXPECT_EQ(got.size(), expected.size());
        EXPECT_TRUE(got == expected) << "audio differs";
        ExpectReadersAccept(at, FramesIn(Format(), expected.size()), c.channels);
    }

    const CodecCase& c = GetParam();
    std::string path;
    Bytes original;
    std::vector<DWORD> at;  // the buffer starts where a cut lands
};
}

TEST_P(ClipEdits, CutInEitherOrderTakesTheRangeOutAndMovesWhatFollows)
{
    const DWORD lo = at[3];
    const DWORD hi = at[8];
    ClipEdit edit(&current, owner.get(), useClip, progress.get());
    EXPECT_EQ(edit.Cut(hi, lo), ClipEdit::CutDone);
    ASSERT_NE(current, nullptr);
    EXPECT_TRUE(current->IsOpen());
    EXPECT_EQ(current->GetName(), path);
    EXPECT_EQ(current->GetPosition(), lo);
    EXPECT_TRUE(current->close());
    ExpectAudio(path, Cat(Slice(audio, 0, lo), Slice(audio, hi, audio.size())));

    // The clip holds the range, with the time of its start.
    MediaFile* clip = ClipStore();
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->GetFileType(), takes::FileTypeOf(c));
    ASSERT_TRUE(clip->update());
    ExpectAudio(clip->GetName(), Slice(audio, lo, hi));

    // Reopened from disk: the markers and comments after the cut moved back by its length.
    OpenCurrent(path);
    RecFile* f = Current();
    const DWORD cut = hi - lo;
    const __time64_t timeAtHi = kStart + 100 + (hi - starts[6]) / f->GetBytesPerSecond();
    ASSERT_EQ(f->GetMarkerCount(), 3);
    EXPECT_EQ(f->GetMarkerPosition(0), 0u);
    EXPECT_EQ(f->GetMarkerTime(0), kStart);
    EXPECT_EQ(f->GetMarkerPosition(1), lo);
    EXPECT_EQ(f->GetMarkerTime(1), timeAtHi);
    EXPECT_EQ(f->GetMarkerPosition(2), starts[12] - cut);
    EXPECT_EQ(f->GetMarkerTime(2), kStart + 200);
    ASSERT_EQ(f->GetCommentCount(), 2);
    // The comment that began inside the cut keeps what was left of it.
    EXPECT_STREQ(f->GetCommentTextAt(0), "burst");
    EXPECT_EQ(f->GetCommentStart(0), lo);
    EXPECT_EQ(f->GetCommentEndAt(0), starts[10] - cut);
    EXPECT_STREQ(f->GetCommentTextAt(1), "tail");
    EXPECT_EQ(f->GetCommentStart(1), starts[14] - cut);
    EXPECT_EQ(f->GetCommentEndAt(1), f->GetLength());
}

TEST_P(ClipEdits, CopyLeavesTheRecordingAsItWasAndTheClipHoldsTheRange)
{
    current->position(at[2]);
    ClipEdit edit(&current, owner.get(), useClip, progress.get());
    EXPECT_EQ(edit.Copy(at[5], at[13]), ClipEdit::Done);
    EXPECT_EQ(current->GetPosition(), at[2]);
    MediaFile* clip = ClipStore();
    ASSERT_NE(clip, nullptr);
    EXPECT_TRUE(ClipboardHasAudio(takes::FileTypeOf(c), useClip));
    EXPECT_FALSE(IsClipboardFormatAvailable(ClipboardFormatOf(takes::FileTypeOf(c))));
    auto* marks = dynamic_cast<RecFile*>(clip);
    ASSERT_NE(marks, nullptr);
    // The time of the range's start, then the markers at 6 and 12; the burst comment.
    ASSERT_EQ(marks->GetMarkerCount(), 3);
    EXPECT_EQ(marks->GetMarkerPosition(0), 0u);
    EXPECT_EQ(marks->GetMarkerTime(0), kStart + at[5] / current->GetBytesPerSecond());
    EXPECT_EQ(marks->GetMarkerPosition(1), starts[6] - at[5]);
    EXPECT_EQ(marks->GetMarkerTime(1), kStart + 100);
    EXPECT_EQ(marks->GetMarkerPosition(2), starts[12] - at[5]);
    EXPECT_EQ(marks->GetMarkerTime(2), kStart + 200);
    EXPECT_EQ(marks->GetCommentCount(), 1);
    EXPECT_EQ(marks->GetCommentStart(0), starts[6] - at[5]);
    EXPECT_EQ(marks->GetCommentEndAt(0), starts[10] - at[5]);
    ASSERT_TRUE(clip->update());
    ExpectAudio(clip->GetName(), Slice(audio, at[5], at[13]));
    EXPECT_TRUE(current->close());
    EXPECT_TRUE(testsupport::ReadAll(path) == original);
}

TEST_P(ClipEdits, PasteInsertsTheClipAndPastingPastTheEndAppends)
{
    ClipEdit edit(&current, owner.get(), useClip, progress.get());
    ASSERT_EQ(edit.Copy(at[1], at[4]), ClipEdit::Done);
    const Bytes clip = Slice(audio, at[1], at[4]);
    EXPECT_EQ(edit.Paste(at[11]), ClipEdit::Done);
    EXPECT_EQ(current->GetPosition(), at[11]);
    // Without the clipboard the clip stays for the next paste.
    ASSERT_NE(ClipStore(), nullptr);
    EXPECT_EQ(edit.Paste(DWORD(-2)), ClipEdit::Done);
    RecFile* f = Current();
    const DWORD added = at[4] - at[1];
    EXPECT_EQ(f->GetMarkerPosition(f->FindMarker(starts[12] + added)), starts[12] + added);
    EXPECT_EQ(f->GetCommentStart(1), starts[14] + added);
    EXPECT_TRUE(current->close());
    const Bytes once = Cat(Cat(Slice(audio, 0, at[11]), clip), Slice(audio, at[11], audio.size()));
    ExpectAudio(path, Cat(once, clip));
}

TEST_P(ClipEdits, InsertFileInsertsAnotherRecordingAndLeavesItAlone)
{
    const std::string other = dir.file(std::string("other") + takes::Extension(c));
    Record(c, other);
    const Bytes given = testsupport::ReadAll(other);
    ClipEdit edit(&current, owner.get(), useClip, progress.get());
    EXPECT_EQ(edit.InsertFile(at[2], other.c_str()), ClipEdit::Done);
    EXPECT_EQ(ClipStore(), nullptr);
    EXPECT_TRUE(testsupport::ReadAll(other) == given);
    RecFile* f = Current();
    // The inserted recording brings its own markers: its start time sits where it begins.
    EXPECT_EQ(f->TimeAtPosition(at[2]), kStart);
    EXPECT_TRUE(current->close());
    ExpectAudio(path, Cat(Cat(Slice(audio, 0, at[2]), audio), Slice(audio, at[2], audio.size())));
}

TEST_P(ClipEdits, SaveClipWritesTheClipAsAFileOfItsOwn)
{
    ClipEdit edit(&current, owner.get(), useClip, progress.get());
    EXPECT_EQ(edit.SaveClip(dir.file("none.wav").c_str()), ClipEdit::ClipStoreEmpty);
    ASSERT_EQ(edit.Copy(at[7], at[11]), ClipEdit::Done);
    const std::string saved = dir.file(std::string("saved") + takes::Extension(c));
    EXPECT_EQ(edit.SaveClip(saved.c_str()), ClipEdit::Done);
    ExpectAudio(saved, Slice(audio, at[7], at[11]));
    // Without a name the user is asked; a cancel saves nothing.
    EXPECT_EQ(edit.SaveClip(nullptr), ClipEdit::SaveCancelled);
    const std::string chosen = dir.file(std::string("chosen") + takes::Extension(c));
    platform::headless::AnswerFileDialog({chosen, false});
    EXPECT_EQ(edit.SaveClip(""), ClipEdit::Done);
    EXPECT_TRUE(testsupport::ReadAll(chosen) == testsupport::ReadAll(saved));
    // The clip is still there for a paste.
    EXPECT_EQ(edit.Paste(0), ClipEdit::Done);
}

TEST_P(ClipEdits, WithTheClipboardTheClipTravelsAsAWholeFile)
{
    useClip = true;
    ClipEdit edit(&current, owner.get(), useClip, progress.get());
    ASSERT_EQ(edit.Copy(at[3], at[6]), ClipEdit::Done);
    EXPECT_EQ(ClipStore(), nullptr);
    EXPECT_TRUE(ClipboardHasAudio(takes::FileTypeOf(c), useClip));
    EXPECT_TRUE(ClipboardHasAudio(-1, useClip));
    // The temp folder keeps nothing of the clip.
    char temp[MAX_PATH];
    ASSERT_TRUE(GetTempFolder(sizeof temp, temp));
    EXPECT_TRUE(testsupport::FolderNames(temp).empty());
    const std::string saved = dir.file(std::string("fromclip") + takes::Extension(c));
    EXPECT_EQ(edit.SaveClip(saved.c_str()), ClipEdit::Done);
    ExpectAudio(saved, Slice(audio, at[3], at[6]));
    EXPECT_EQ(edit.Paste(at[1]), ClipEdit::Done);
    EXPECT_EQ(ClipStore(), nullptr);
    EXPECT_TRUE(testsupport::FolderNames(temp).empty());
    EXPECT_TRUE(current->close());
    ExpectAudio(path, Cat(Cat(Slice(audio, 0, at[1]), Slice(audio, at[3], at[6])), Slice(audio, at[1], audio.size())));
}

TEST_P(ClipEdits, AWholeRecordingRoundTripsThroughTheClipboardByteForByte)
{
    ASSERT_TRUE(current->close());
    ClipEdit edit(&current, owner.get(), useClip, progress.get());
    ASSERT_TRUE(edit.CopyFileToClipboard(path.c_str()));
    const std::string copy = dir.file(std::string("copy") + takes::Extension(c));
    ASSERT_TRUE(edit.PasteClipboardToFile(copy.c_str()));
    EXPECT_TRUE(testsupport::ReadAll(copy) == original);
}

INSTANTIATE_TEST_SUITE_P(WavAndMp3, ClipEdits, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<CodecCase>& i) { return std::string(i.param.name); });
