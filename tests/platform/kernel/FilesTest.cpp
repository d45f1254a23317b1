// Kernel calls: full paths, the private temp folder, files and folders, free space, MulDiv, lookups, threads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/kernel/Files.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/MulDiv.h"
#include "platform/kernel/Threads.h"
#include "tests/support/TestSupport.h"

namespace {
// Points the per-user cache at a private folder for one test.
class CacheHome {
public:
    explicit CacheHome(const std::string& path)
    {
        const char* old = std::getenv("XDG_CACHE_HOME");
        had_ = old != nullptr;
        old_ = old ? old : "";
        setenv("XDG_CACHE_HOME", path.c_str(), 1);
    }
    ~CacheHome()
    {
        if (had_) {
            setenv("XDG_CACHE_HOME", old_.c_str(), 1);
        } else {
            unsetenv("XDG_CACHE_HOME");
        }
    }

private:
    bool had_;
    std::string old_;
};
}

TEST(KernelFiles, FullPathFoldsDotsAndBackslashes)
{
    char buf[MAX_PATH];
    char* part = nullptr;
    ASSERT_GT(GetFullPathNameA("/a/b/../c\\.\\d.wav", MAX_PATH, buf, &part), 0u);
    EXPECT_STREQ(buf, "/a/c/d.wav");
    ASSERT_NE(part, nullptr);
    EXPECT_STREQ(part, "d.wav");
    testsupport::TempDir dir;
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    GetFullPathNameA("x.wav", MAX_PATH, buf, nullptr);
    char real[4096];
    ASSERT_NE(realpath(dir.path().c_str(), real), nullptr);
    EXPECT_EQ(std::string(buf), std::string(real) + "/x.wav");
    ASSERT_TRUE(SetCurrentDirectoryA(cwd));
    // Too small a buffer reports the size needed, with the NUL.
    EXPECT_EQ(GetFullPathNameA("/abc", 3, buf, nullptr), 5u);
    EXPECT_EQ(GetFullPathNameA("", MAX_PATH, buf, nullptr), 0u);
}

TEST(KernelFiles, TempFolderIsPrivateAndPerUser)
{
    testsupport::TempDir dir;
    CacheHome home(dir.file("cache"));
    char buf[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH, buf);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(std::string(buf), dir.file("cache") + "/tapvox/tmp/");
    struct stat st;
    ASSERT_EQ(lstat(dir.file("cache/tapvox/tmp").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, geteuid());
    // Loosened by someone: tightened again before use.
    chmod(dir.file("cache/tapvox/tmp").c_str(), 0777);
    ASSERT_GT(GetTempPathA(MAX_PATH, buf), 0u);
    ASSERT_EQ(lstat(dir.file("cache/tapvox/tmp").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(KernelFiles, TempFolderRefusesALink)
{
    testsupport::TempDir dir;
    CacheHome home(dir.file("cache"));
    mkdir(dir.file("cache").c_str(), 0700);
    mkdir(dir.file("elsewhere").c_str(), 0777);
    ASSERT_EQ(symlink(dir.file("elsewhere").c_str(), dir.file("cache/tapvox").c_str()), 0);
    char buf[MAX_PATH];
    EXPECT_EQ(GetTempPathA(MAX_PATH, buf), 0u);
}

TEST(KernelFiles, TempFileNamesAreCreatedExclusively)
{
    testsupport::TempDir dir;
    char a[MAX_PATH];
    char b[MAX_PATH];
    ASSERT_NE(GetTempFileNameA(dir.path().c_str(), "RIF", 0, a), 0u);
    ASSERT_NE(GetTempFileNameA(dir.path().c_str(), "RIF", 0, b), 0u);
    EXPECT_STRNE(a, b);
    const std::string name = std::string(a).substr(dir.path().size() + 1);
    ASSERT_EQ(name.size(), 11u) << name;
    EXPECT_EQ(name.substr(0, 3), "RIF");
    EXPECT_EQ(name.substr(7), ".tmp");
    EXPECT_EQ(name.find_first_not_of("0123456789ABCDEF", 3), 7u);
    struct stat st;
    ASSERT_EQ(stat(a, &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 077, 0u);
}

TEST(KernelFiles, DeleteCopyAndFolders)
{
    testsupport::TempDir dir;
    testsupport::WriteAll(dir.file("a"), {1, 2, 3});
    testsupport::WriteAll(dir.file("b"), {9});
    EXPECT_FALSE(CopyFileA(dir.file("a").c_str(), dir.file("b").c_str(), TRUE));
    EXPECT_TRUE(CopyFileA(dir.file("a").c_str(), dir.file("b").c_str(), FALSE));
    EXPECT_EQ(testsupport::ReadAll(dir.file("b")), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_TRUE(DeleteFileA(dir.file("b").c_str()));
    EXPECT_FALSE(DeleteFileA(dir.file("b").c_str()));
    EXPECT_TRUE(CreateDirectoryA(dir.file("sub").c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryA(dir.file("sub").c_str(), nullptr));
    EXPECT_FALSE(DeleteFileA(dir.file("sub").c_str()));
    EXPECT_FALSE(SetCurrentDirectoryA(dir.file("missing").c_str()));
}

TEST(KernelFiles, ModuleFileNameIsTheRunningProgram)
{
    char buf[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    ASSERT_GT(n, 0u);
    EXPECT_NE(std::string(buf).find("tapvox_platform_tests"), std::string::npos);
    char small[5];
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, 5), 5u);
    EXPECT_EQ(small[4], '\0');
}

TEST(KernelFiles, FreeSpaceOfTheFolder)
{
    testsupport::TempDir dir;
    ULARGE_INTEGER avail, total, free;
    ASSERT_TRUE(GetDiskFreeSpaceExA(dir.path().c_str(), &avail, &total, &free));
    EXPECT_GT(total.QuadPart, 0u);
    EXPECT_LE(avail.QuadPart, free.QuadPart);
    // A file that does not exist yet is answered by its folder.
    EXPECT_TRUE(GetDiskFreeSpaceExA(dir.file("not-yet.wav").c_str(), &avail, nullptr, nullptr));
    DWORD spc, bps, fc, tc;
    ASSERT_TRUE(GetDiskFreeSpaceA(dir.path().c_str(), &spc, &bps, &fc, &tc));
    EXPECT_EQ(bps, 512u);
    EXPECT_GT(tc, 0u);
}

TEST(KernelMulDiv, RoundsHalfAwayFromZero)
{
    EXPECT_EQ(MulDiv(1, 1, 2), 1);
    EXPECT_EQ(MulDiv(-1, 1, 2), -1);
    EXPECT_EQ(MulDiv(5, 3, 4), 4);
    EXPECT_EQ(MulDiv(7, 1, 4), 2);
    EXPECT_EQ(MulDiv(10, -1, 4), -3);
    EXPECT_EQ(MulDiv(2000000000, 2, 4), 1000000000);  // the product needs 64 bits
    EXPECT_EQ(MulDiv(2000000000, 2, 1), -1);          // result out of range
    EXPECT_EQ(MulDiv(5, 7, 0), -1);
}

TEST(KernelModules, AnswersForTheLookedUpFunctions)
{
    HMODULE k = LoadLibraryA("kernel32.dll");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(LoadLibraryA("Kernel32.Dll"), k);
    using FullPath = DWORD (*)(LPCSTR, DWORD, LPSTR, LPSTR*);
    auto fn = reinterpret_cast<FullPath>(GetProcAddress(k, "GetFullPathNameA"));
    ASSERT_NE(fn, nullptr);
    char buf[MAX_PATH];
    EXPECT_GT(fn("/x/../y", MAX_PATH, buf, nullptr), 0u);
    EXPECT_STREQ(buf, "/y");
    EXPECT_NE(GetProcAddress(k, "GetDiskFreeSpaceExA"), nullptr);
    EXPECT_EQ(GetProcAddress(k, "NoSuchFunction"), nullptr);
    EXPECT_EQ(LoadLibraryA("nosuch.dll"), nullptr);
    EXPECT_TRUE(FreeLibrary(k));
    EXPECT_TRUE(FreeLibrary(k));
}

namespace {
DWORD Bump(LPVOID p)
{
    ++*static_cast<int*>(p);
    return 0;
}
}

TEST(KernelThreads, SuspendedThreadRunsOnlyAfterResume)
{
    int counter = 0;
    DWORD id = 0;
    HANDLE t = CreateThread(nullptr, 0, &Bump, &counter, CREATE_SUSPENDED, &id);
    ASSERT_NE(t, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_TIMEOUT);
    EXPECT_EQ(counter, 0);
    EXPECT_EQ(ResumeThread(t), 1u);
    EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(counter, 1);
    EXPECT_TRUE(CloseHandle(t));

    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EXPECT_TRUE(TryEnterCriticalSection(&cs));  // re-entrant on its own thread
    LeaveCriticalSection(&cs);
    LeaveCriticalSection(&cs);
    DeleteCriticalSection(&cs);
}
