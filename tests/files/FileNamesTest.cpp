// File types from names, unique and temp names, folder paths, the writability probe, and the worker thread.
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

#include "files/FileNames.h"
#include "files/FileType.h"
#include "files/ThreadObject.h"
#include "tests/support/TestSupport.h"

TEST(FileTypes, FromNameAndBack)
{
    EXPECT_EQ(GetFileTypeFromName("x.OGA"), 3);
    EXPECT_EQ(GetFileTypeFromName("a.b/x.ogg"), 3);
    EXPECT_EQ(GetFileTypeFromName("x.Wma"), 2);
    EXPECT_EQ(GetFileTypeFromName("x.asf"), 2);
    EXPECT_EQ(GetFileTypeFromName("x.mp3"), 1);
    EXPECT_EQ(GetFileTypeFromName("noext"), 0);
    EXPECT_EQ(GetFileTypeFromName("x.wav"), 0);
    EXPECT_EQ(GetFileTypeFromName(nullptr), -1);
    EXPECT_STREQ(FileTypeName(1), "mp3");
    EXPECT_STREQ(FileTypeName(2), "wmv");
    EXPECT_STREQ(FileTypeName(3), "ogg");
    EXPECT_STREQ(FileTypeName(-1), "wav");
}

TEST(FileNames, UniqueNamesCountUp)
{
    testsupport::TempDir dir;
    char out[260];
    MakeUniqueFileName("", "wav", out, true, dir.path().c_str());
    EXPECT_EQ(std::string(out), dir.path() + "\\~rec_1.wav");
    testsupport::WriteAll(dir.file("~rec_1.wav"), {});
    MakeUniqueFileName(nullptr, "wav", out, true, (dir.path() + "/").c_str());
    EXPECT_EQ(std::string(out), dir.path() + "/~rec_2.wav");
    MakeUniqueFileName("take", nullptr, out, false, dir.path().c_str());
    EXPECT_EQ(std::string(out), dir.path() + "\\take_1.tmp");
    MakeUniqueFileName("", ".mp3", out, false, dir.path().c_str());
    EXPECT_EQ(std::string(out), dir.path() + "\\rec_1.mp3");
}

TEST(FileNames, CreateDirectoryPathMakesEveryFolder)
{
    testsupport::TempDir dir;
    const std::string path = dir.path() + "\\x\\y/file.wav";
    EXPECT_TRUE(CreateDirectoryPath(path.c_str()));
    EXPECT_TRUE(FileExists(dir.file("x/y").c_str()));
    EXPECT_FALSE(FileExists(dir.file("x/y/file.wav").c_str()));
    testsupport::WriteAll(dir.file("plain"), {1, 2});
    EXPECT_FALSE(CreateDirectoryPath((dir.file("plain") + "/sub/f.wav").c_str()));
    EXPECT_EQ(FileSizeOf(dir.file("plain").c_str()), 2u);
    EXPECT_EQ(FileSizeOf(dir.file("none").c_str()), 0u);
}

TEST(FileNames, ExpandAndWritableProbe)
{
    testsupport::TempDir dir;
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    char path[260] = "/a/./b/../c.wav";
    EXPECT_TRUE(ExpandFullPath(path));
    EXPECT_STREQ(path, "/a/c.wav");
    EXPECT_FALSE(ExpandFullPath(nullptr));
    EXPECT_TRUE(IsDirectoryWritable(dir.path().c_str()));
    // The probe is gone and the current folder is the one it was.
    char now[4096];
    ASSERT_NE(getcwd(now, sizeof now), nullptr);
    EXPECT_STREQ(now, cwd);
    EXPECT_FALSE(FileExists(dir.file("foo_1.bar").c_str()));
    EXPECT_FALSE(IsDirectoryWritable(dir.file("missing").c_str()));
}

TEST(FileNames, TempFileIsMadeInThePrivateFolder)
{
    testsupport::TempDir cache;
    setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
    char folder[260];
    ASSERT_TRUE(GetTempFolder(sizeof folder, folder));
    EXPECT_EQ(std::string(folder), cache.path() + "/tapvox/tmp/");
    char name[260];
    ASSERT_TRUE(MakeTempFileName(name));
    EXPECT_EQ(std::string(name).rfind(std::string(folder) + "RIF", 0), 0u);
    EXPECT_TRUE(FileExists(name));
    unsetenv("XDG_CACHE_HOME");
}

namespace {
class Worker : public AcmReader {
public:
    int started = 0;
    int finished = 0;
    void Start() override { ++started; }
    void Finish() override { ++finished; }
    void Stop() override {}
};
}

TEST(ThreadObjectTest, RunsBothStepsOnlyAfterResume)
{
    Worker w;
    ASSERT_NE(w.GetThreadHandle(), nullptr);
    EXPECT_EQ(WaitForSingleObject(w.GetThreadHandle(), 0), WAIT_TIMEOUT);
    EXPECT_EQ(w.started, 0);
    ResumeThread(w.GetThreadHandle());
    EXPECT_EQ(WaitForSingleObject(w.GetThreadHandle(), INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(w.started, 1);
    EXPECT_EQ(w.finished, 1);
}
