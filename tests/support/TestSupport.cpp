// Temp folders, captured commands, whole-file reads, fuzzing seeds, and bodies run in a child or as another user.
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {
TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tapvox-test-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        ADD_FAILURE() << "mkdtemp failed";
    }
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

KeepCurrentDirectory::KeepCurrentDirectory()
{
    std::error_code ec;
    path_ = std::filesystem::current_path(ec).string();
    if (ec) {
        ADD_FAILURE() << "cannot read the current directory: " << ec.message();
    }
}

KeepCurrentDirectory::~KeepCurrentDirectory()
{
    if (!path_.empty() && chdir(path_.c_str()) != 0) {
        ADD_FAILURE() << "cannot return to " << path_;
    }
}

std::string RunCapture(const std::string& command, int* status)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) {
        if (status) {
            *status = -1;
        }
        return out;
    }
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) {
        out.append(buf, n);
    }
    const int rc = pclose(p);
    if (status) {
        *status = (rc != -1 && WIFEXITED(rc)) ? WEXITSTATUS(rc) : -1;
    }
    return out;
}

std::string Hex(const std::uint8_t* bytes, std::size_t count)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

bool HaveTool(const std::string& name)
{
    int status = 0;
    RunCapture("command -v " + name + " >/dev/null 2>&1", &status);
    return status == 0;
}

std::vector<std::string> FolderNames(const std::string& path)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path, ec)) {
        const std::string name = entry.path().filename().string();
        if (name != ".filler") {
            out.push_back(name);
        }
    }
    return out;
}

std::vector<std::uint8_t> ReadAll(const std::string& path)
{
    // In one read: some tests read files of many megabytes.
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        return {};
    }
    std::vector<std::uint8_t> out(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    out.resize(static_cast<std::size_t>(in.gcount()));
    return out;
}

void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void UsePrivateUserFolders(const TempDir& dir)
{
    for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const std::string path = dir.file(v);
        std::filesystem::create_directory(path);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        setenv(v, path.c_str(), 1);
    }
}

std::string SourceDir()
{
    const char* env = std::getenv("TAPVOX_SOURCE_DIR");
    return env && *env ? env : TAPVOX_SOURCE_DIR;
}

void SaveSeedBytes(const std::string& target, const std::string& name, const std::vector<std::uint8_t>& bytes)
{
    const char* dir = std::getenv("TAPVOX_SEED_DIR");
    if (!dir || !*dir) {
        return;
    }
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(dir) / target;
    std::filesystem::create_directories(folder, ec);
    WriteAll((folder / name).string(), bytes);
}

void SaveSeed(const std::string& target, const std::string& path)
{
    SaveSeedBytes(target, std::filesystem::path(path).filename().string() + "-" +
                              std::to_string(std::hash<std::string>{}(path) & 0xFFFFFF), ReadAll(path));
}

int RunInChild(const std::function<int()>& body, unsigned timeoutSeconds)
{
    std::fflush(nullptr);  // nothing buffered is written twice
    const pid_t child = fork();
    if (child < 0) {
        return -1;
    }
    if (child == 0) {
        alarm(timeoutSeconds);
        _exit(body());
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunAsOtherUser(const std::function<int()>& body, unsigned timeoutSeconds)
{
    if (geteuid() != 0) {
        return kNotRoot;
    }
    return RunInChild(
        [&] {
            constexpr uid_t kNobody = 65534;
            if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) {
                return 125;
            }
            return body();
        },
        timeoutSeconds);
}

std::int64_t LocalTime(int year, int month, int day, int hour, int minute, int second, int dst)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = dst;
    return static_cast<std::int64_t>(std::mktime(&t));
}
}
