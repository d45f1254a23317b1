// Rewrites that replace a recording through a temporary file: the rename that
// puts the new file in place reaches the disk with its folder.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "files/Mp3File.h"
#include "files/OggVorbisFile.h"
#include "tests/files/FolderSyncProbe.h"
#include "tests/files/Mp3TestUtil.h"
#include "tests/support/TestSupport.h"

namespace {
struct Rewrite {
    const char* name;
    const char* file;
    // Makes the recording, then rewrites it under the probe.
    std::function<void(const std::string& path, const std::function<void()>& watchFromHere)> run;
};

void PrintTo(const Rewrite& r, std::ostream* os) { *os << r.name; }

void OggComments(const std::string& path, const std::function<void()>& watch)
{
    const WAVEFORMATEX fmt{WAVE_FORMAT_OGG_VORBIS, 1, 22050, 11025, 2, 16, 0};
    OggVorbisFile f(path.c_str(), &fmt, 4, MMIO_READWRITE);
    ASSERT_TRUE(f.open());
    std::vector<short> pcm(22050, 1000);
    ASSERT_GT(f.WriteSamples(pcm.data(), static_cast<LONG>(pcm.size() * 2)), 0);
    ASSERT_TRUE(f.close());
    ASSERT_TRUE(f.open());
    ASSERT_TRUE(f.SetInfo("title", "A longer title than the header had room for"));
    watch();
    ASSERT_TRUE(f.close());  // the comment header is rewritten here
}

void Mp3Tag(const std::string& path, const std::function<void()>& watch)
{
    const MPEGLAYER3WAVEFORMAT fmt = mp3test::Mp3WaveFormat(1, 22050, 32);
    const mp3test::Bytes audio = mp3test::Joined(mp3test::Encode(1, 22050, 32, 3));
    Mp3File f(path.c_str(), &fmt.wfx, MMIO_READWRITE);
    ASSERT_TRUE(f.open());
    ASSERT_EQ(f.Write(audio.data(), static_cast<LONG>(audio.size())), static_cast<LONG>(audio.size()));
    watch();
    ASSERT_TRUE(f.SetInfo("title", "A title that makes the tag grow"));  // the tag goes in front of the audio
    ASSERT_TRUE(f.close());
}

class FolderSync : public ::testing::TestWithParam<Rewrite> {
protected:
    testsupport::TempDir dir;
};
}

TEST_P(FolderSync, TheFolderIsSyncedAfterTheRename)
{
    const std::string path = dir.file(GetParam().file);
    std::unique_ptr<foldersync::Probe> probe;
    GetParam().run(path, [&] { probe = std::make_unique<foldersync::Probe>(path); });
    ASSERT_TRUE(probe);
    EXPECT_TRUE(probe->SyncedAfterReplace()) << probe->FolderSyncs() << " folder syncs, none after the rename";
}

INSTANTIATE_TEST_SUITE_P(Rewrites, FolderSync,
                         ::testing::Values(Rewrite{"OggCommentHeader", "take.ogg", OggComments},
                                           Rewrite{"Mp3LeadingTag", "take.mp3", Mp3Tag}),
                         [](const ::testing::TestParamInfo<Rewrite>& info) { return std::string(info.param.name); });
