#pragma once
// Reading back what a fuzz target's file class left on disk.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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
