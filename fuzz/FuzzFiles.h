#pragma once
// What the fuzz targets share about files: a private scratch folder that
// leaves nothing behind, reading back what a file class left on disk, and
// keeping the file classes' messages out of the fuzzer's output.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

// A folder of this process for its scratch files (mode 0700, a name no other
// process can take first): under TMPDIR, else the RAM disk, else /tmp. It is
// removed with whatever is in it when the process exits.
inline const std::string& ScratchFolder()
{
    // Never destroyed: the exit handler that removes the folder still reads it.
    static const std::string& folder = *new std::string([] {
        const char* tmp = std::getenv("TMPDIR");
        const std::string base = tmp && *tmp ? tmp : std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = base + "/tapvox-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::fprintf(stderr, "no scratch folder can be made in %s\n", base.c_str());
            std::abort();
        }
        std::atexit([] { std::filesystem::remove_all(ScratchFolder()); });
        return pattern;
    }());
    return folder;
}

inline std::vector<std::uint8_t> ReadBack(const std::string& path)
{
    std::vector<std::uint8_t> out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::uint8_t buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
            out.insert(out.end(), buf, buf + n);
        }
        std::fclose(f);
    }
    return out;
}

// The file classes tell on standard error why they leave a file alone, which
// here is a line for most inputs. Their stream goes nowhere from now on; the
// fuzzer's own output and the sanitizers' reports keep the real standard error
// (the fuzzer took its stream before the first input, the sanitizers write to
// the descriptor).
inline void QuietFileMessages()
{
    if (FILE* nowhere = std::fopen("/dev/null", "w")) {
        stderr = nowhere;
    }
}
