#pragma once
// What independent decoders make of an Ogg file, for the checks of what our
// Ogg classes write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/files/OggPages.h"
#include "tests/support/TestSupport.h"

inline std::string ToolOutput(const std::string& command, int* status = nullptr)
{
    return testsupport::RunCapture(command + " 2>&1", status);
}

// Samples a decoder outputs for the whole file (oggdec, counted by soxi).
inline long OggdecSamples(const std::string& path)
{
    const std::string wav = path + ".decoded.wav";
    ToolOutput("oggdec -Q -o '" + wav + "' '" + path + "'");
    const long n = std::atol(ToolOutput("soxi -s '" + wav + "'").c_str());
    std::remove(wav.c_str());
    return n;
}

// One logical stream whose page granules rise strictly to `samples`, which a
// decoder outputs exactly, with no timestamp a demultiplexer calls out of
// order and no complaint from ogginfo.
inline void ExpectWholeOggStream(const std::string& path, std::int64_t samples)
{
    SCOPED_TRACE(path);
    const std::vector<RawOggPage> pages = OggPages(testsupport::ReadAll(path));
    ASSERT_FALSE(pages.empty());
    std::int64_t last = 0;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        EXPECT_EQ(pages[i].serial, pages[0].serial) << "page " << i;
        EXPECT_EQ((pages[i].flags & 4) != 0, i + 1 == pages.size()) << "end mark on page " << i;
        if (pages[i].granule != -1 && pages[i].granule != 0) {
            EXPECT_GT(pages[i].granule, last) << "page " << i;
            last = pages[i].granule;
        }
    }
    EXPECT_EQ(last, samples);
    if (testsupport::HaveTool("oggdec") && testsupport::HaveTool("soxi")) {
        EXPECT_EQ(OggdecSamples(path), samples);
    }
    if (testsupport::HaveTool("ffmpeg")) {
        const std::string warnings = ToolOutput("ffmpeg -nostdin -v warning -i '" + path + "' -f null -");
        EXPECT_EQ(warnings, "");
    }
    if (testsupport::HaveTool("ogginfo")) {
        int status = 0;
        const std::string info = ToolOutput("ogginfo '" + path + "'", &status);
        EXPECT_EQ(status, 0) << info;
        EXPECT_EQ(info.find("WARNING"), std::string::npos) << info;
    }
}
