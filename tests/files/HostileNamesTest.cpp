// Recordings opened, created and moved where a link, a FIFO, a missing name or a refused temp folder stands.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "files/FileMove.h"
#include "files/FileNames.h"
#include "files/Mp3File.h"
#include "files/OggVorbisFile.h"
#include "files/WaveFile.h"
#include "tests/files/WaveTestUtil.h"
#include "tests/support/DiskFaults.h"
#include "tests/support/TestSupport.h"

namespace {
struct Kind {
    const char* name;
    const char* extension;
    std::function<std::unique_ptr<RecFile>(const char* path, DWORD flags)> make;
};

void PrintTo(const Kind& kind, std::ostream* os) { *os << kind.name; }

const Kind kKinds[] = {
    {"wav", ".wav", [](const char* p, DWORD fl) {
         const WAVEFORMATEX f = Pcm(1, 8000, 16);
         return std::unique_ptr<RecFile>(new WaveFile(p, &f, fl));
     }},
    {"mp3", ".mp3", [](const char* p, DWORD fl) { return std::unique_ptr<RecFile>(new Mp3File(p, nullptr, fl)); }},
    {"ogg", ".ogg", [](const char* p, DWORD fl) { return std::unique_ptr<RecFile>(new OggVorbisFile(p, nullptr, 4, fl)); }},
};

std::string Contents(const std::string& path)
{
    const auto b = testsupport::ReadAll(path);
    return {b.begin(), b.end()};
}

// The companion name of a recording: x.wav journals in x.~av.
std::string Companion(const std::string& recording) { return RecFile::MarkerFileNameFor(recording); }

class HostileNames : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override
    {
        setenv("XDG_CACHE_HOME", dir.file("cache").c_str(), 1);
        ASSERT_EQ(mkdir(dir.file("cache").c_str(), 0700), 0);
    }
    void TearDown() override { unsetenv("XDG_CACHE_HOME"); }
    std::string Name(const std::string& base) const { return dir.file(base + GetParam().extension); }
    std::unique_ptr<RecFile> Make(const std::string& path, DWORD flags) const
    {
        return GetParam().make(path.empty() ? nullptr : path.c_str(), flags);
    }
    testsupport::TempDir dir;
};
}

TEST_P(HostileNames, AReadOnlyOpenCreatesNothing)
{
    const std::string missing = Name("missing");
    auto f = Make(missing, MMIO_READ);
    EXPECT_FALSE(f->open());
    EXPECT_EQ(f->GetOpenError(), 1);
    EXPECT_FALSE(FileExists(missing.c_str()));
    EXPECT_FALSE(FileExists(Companion(missing).c_str()));
    // Nor a temporary file for a nameless one.
    auto nameless = Make("", MMIO_READ);
    EXPECT_FALSE(nameless->open());
    EXPECT_EQ(nameless->GetOpenError(), 1);
    EXPECT_TRUE(testsupport::FolderNames(dir.file("cache/tapvox/tmp")).empty());
}

TEST_P(HostileNames, ARefusedTempFolderFailsTheOpenInsteadOfUsingTheCurrentFolder)
{
    // The temp folder is a link: never used.
    ASSERT_EQ(mkdir(dir.file("elsewhere").c_str(), 0700), 0);
    ASSERT_EQ(symlink(dir.file("elsewhere").c_str(), dir.file("cache/tapvox").c_str()), 0);
    ASSERT_EQ(mkdir(dir.file("cwd").c_str(), 0700), 0);
    {
        const testsupport::KeepCurrentDirectory keep;
        ASSERT_EQ(chdir(dir.file("cwd").c_str()), 0);
        char temp[MAX_PATH] = "unchanged";
        EXPECT_FALSE(MakeTempFileName(temp));
        auto f = Make("", MMIO_READWRITE);
        EXPECT_FALSE(f->open());
        EXPECT_EQ(f->GetOpenError(), 1);
        EXPECT_FALSE(f->IsOpen());
    }
    EXPECT_TRUE(testsupport::FolderNames(dir.file("cwd")).empty());
    EXPECT_TRUE(testsupport::FolderNames(dir.file("elsewhere")).empty());
}

TEST_P(HostileNames, AFifoIsRefusedWithoutBlocking)
{
    const std::string fifo = Name("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (DWORD flags : {MMIO_READ, MMIO_READWRITE, MMIO_CREATE | MMIO_READWRITE}) {
        EXPECT_EQ(testsupport::RunInChild(
                      [&] {
                          auto f = Make(fifo, flags);
                          return !f->open() && f->GetOpenError() == 1 ? 0 : 1;
                      },
                      5),
                  0)
            << "flags " << flags;
    }
}

TEST_P(HostileNames, LinksPlantedByAnotherUserRedirectNoWrite)
{
    // A recordings folder others may write to; a file of ours out of their reach.
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    const std::string shared = dir.file("shared");
    ASSERT_EQ(mkdir(shared.c_str(), 0777), 0);
    ASSERT_EQ(chmod(shared.c_str(), 0777), 0);
    ASSERT_EQ(mkdir(dir.file("mine").c_str(), 0700), 0);
    const std::string victim = dir.file("mine/victim");
    testsupport::WriteAll(victim, {'k', 'e', 'e', 'p'});
    const std::string chosen = dir.file("mine/chosen");
    const std::string ext = GetParam().extension;
    const std::string toNowhere = shared + "/new" + ext;
    const std::string toVictim = shared + "/old" + ext;
    const std::string recording = shared + "/take" + ext;
    const int planted = testsupport::RunAsOtherUser([&] {
        const bool ok = symlink(chosen.c_str(), toNowhere.c_str()) == 0 && symlink(victim.c_str(), toVictim.c_str()) == 0 &&
                        symlink(victim.c_str(), Companion(recording).c_str()) == 0;
        return ok ? 0 : 1;
    });
    if (planted == testsupport::kNotRoot) {
        GTEST_SKIP() << "a second user needs the tests to run as root";
    }
    ASSERT_EQ(planted, 0);

    for (DWORD flags : {DWORD(MMIO_READWRITE), DWORD(MMIO_CREATE | MMIO_READWRITE)}) {
        auto a = Make(toNowhere, flags);
        EXPECT_FALSE(a->open());
        auto b = Make(toVictim, flags);
        b->open();
        b->close();
    }
    {
        // A new recording whose companion name is a planted link: the journal is refused.
        auto c = Make(recording, MMIO_READWRITE);
        ASSERT_TRUE(c->open());
        c->AddMarker(0, 1700000000);
        EXPECT_FALSE(c->update());
        c->close();
    }
    EXPECT_NE(access(chosen.c_str(), F_OK), 0);
    EXPECT_EQ(Contents(victim), "keep");
}

TEST_P(HostileNames, AFailedCopyToAnotherFileSystemLeavesNoPartialTarget)
{
    std::string why;
    auto space = testsupport::OutOfSpace::Make("tmpfs", &why);
    if (!space) {
        GTEST_SKIP() << why;
    }
    const std::string source = Name("long");
    testsupport::WriteAll(source, Pattern(1 << 20));
    space->Exhaust(0);
    auto f = Make(source, MMIO_READWRITE);
    EXPECT_FALSE(f->rename((space->Folder() + "/moved" + GetParam().extension).c_str()));
    space->Relieve();
    EXPECT_TRUE(testsupport::FolderNames(space->Folder()).empty());
    EXPECT_EQ(testsupport::ReadAll(source), Pattern(1 << 20));
}

INSTANTIATE_TEST_SUITE_P(Kinds, HostileNames, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<Kind>& info) { return std::string(info.param.name); });

TEST(RecordingMove, SaysWhichSideFailedAndNeverDeletesTheRecordingItself)
{
    testsupport::TempDir dir;
    const std::string take = dir.file("take.wav");
    testsupport::WriteAll(take, {1, 2, 3});
    EXPECT_EQ(MoveRecordingFile(take, take), MoveResult::Moved);
    EXPECT_EQ(Contents(take), std::string("\1\2\3"));
    ASSERT_EQ(mkdir(dir.file("folder").c_str(), 0700), 0);
    testsupport::WriteAll(dir.file("folder/inside"), {1});
    EXPECT_EQ(MoveRecordingFile(take, dir.file("folder")), MoveResult::TargetNotDeleted);
    EXPECT_EQ(MoveRecordingFile(dir.file("missing.wav"), dir.file("b.wav")), MoveResult::SourceFailed);
    EXPECT_EQ(MoveRecordingFile(take, dir.file("b.wav")), MoveResult::Moved);
    EXPECT_EQ(Contents(dir.file("b.wav")), std::string("\1\2\3"));
    EXPECT_FALSE(FileExists(take.c_str()));
}

TEST(WritableProbe, APlantedLinkIsNeverFollowed)
{
    testsupport::TempDir dir;
    const std::string chosen = dir.file("chosen");
    // The name the probe would take first.
    ASSERT_EQ(symlink(chosen.c_str(), dir.file("foo_1.bar").c_str()), 0);
    EXPECT_TRUE(IsDirectoryWritable(dir.path().c_str()));
    EXPECT_NE(access(chosen.c_str(), F_OK), 0);
    EXPECT_EQ(testsupport::FolderNames(dir.path()), std::vector<std::string>{"foo_1.bar"});
}
