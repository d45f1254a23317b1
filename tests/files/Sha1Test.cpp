// SHA-1: the standard's test vectors, digests of random lengths checked by an
// independent implementation, and every block step this processor has agreeing,
// with Sha1Update on its own choice of step and kept off the SHA instructions.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "files/Sha1.h"
#include "tests/support/TestSupport.h"

namespace {
constexpr Sha1Kernel kKernels[] = {Sha1Kernel::Scalar, Sha1Kernel::Ssse3, Sha1Kernel::Avx2, Sha1Kernel::ShaNi};

std::string Hex(const std::uint8_t* d) { return testsupport::Hex(d, 20); }

// Whole blocks through one block step, the tail and padding as Sha1Update does them.
std::string DigestWith(Sha1Kernel kernel, const std::uint8_t* data, std::size_t size)
{
    Sha1State s;
    Sha1Init(&s);
    const std::size_t blocks = size / 64;
    Sha1Blocks(kernel, s.h, data, blocks);
    s.bits = static_cast<std::uint64_t>(blocks) * 512;
    Sha1Update(&s, data + blocks * 64, size % 64);
    std::uint8_t d[20];
    Sha1Final(&s, d);
    return Hex(d);
}

std::string Digest(const std::string& text, std::size_t piece = 0)
{
    Sha1State s;
    Sha1Init(&s);
    for (std::size_t at = 0; at < text.size(); at += piece ? piece : text.size()) {
        Sha1Update(&s, text.data() + at, std::min(text.size() - at, piece ? piece : text.size()));
    }
    std::uint8_t d[20];
    Sha1Final(&s, d);
    return Hex(d);
}

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> out(n);
    for (auto& b : out) {
        b = static_cast<std::uint8_t>(rng());
    }
    return out;
}

TEST(Sha1, StandardVectorsThroughTheUpdateAndEveryBlockStep)
{
    const std::string million(1000000, 'a');
    const std::vector<std::pair<std::string, std::string>> vectors = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {million, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    };
    for (const auto& [text, digest] : vectors) {
        EXPECT_EQ(digest, Digest(text)) << text.size();
        EXPECT_EQ(digest, Digest(text, 37)) << "fed in odd pieces, " << text.size();
        for (const Sha1Kernel k : kKernels) {
            if (Sha1KernelAvailable(k)) {
                EXPECT_EQ(digest, DigestWith(k, reinterpret_cast<const std::uint8_t*>(text.data()), text.size()))
                    << static_cast<int>(k) << ", " << text.size();
            }
        }
    }
    EXPECT_TRUE(Sha1KernelAvailable(Sha1Kernel::Scalar));
}

TEST(Sha1, EveryBlockStepAgreesOnRunsOfAnyLengthAndAlignment)
{
    const auto bytes = RandomBytes(64 * 40 + 1, 7);
    for (std::size_t blocks = 0; blocks <= 9; ++blocks) {
        for (const std::size_t offset : {0, 1}) {  // the audio buffers are not aligned to anything
            std::uint32_t want[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
            for (std::size_t i = 0; i < blocks; ++i) {
                Sha1Blocks(Sha1Kernel::Scalar, want, bytes.data() + offset + 64 * i, 1);
            }
            for (const Sha1Kernel k : kKernels) {
                if (!Sha1KernelAvailable(k)) {
                    continue;
                }
                std::uint32_t got[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
                Sha1Blocks(k, got, bytes.data() + offset, blocks);
                EXPECT_TRUE(std::equal(want, want + 5, got)) << static_cast<int>(k) << ": " << blocks << " blocks";
            }
        }
    }
}

TEST(Sha1, DigestsOfRandomLengthsMatchPythonsHashlib)
{
    TAPVOX_REQUIRE_TOOL("python3");
    testsupport::TempDir dir;
    std::mt19937 rng(11);
    std::vector<std::size_t> sizes = {55, 56, 63, 64, 65, 119, 120, 127, 128, 129, 1000003};
    for (int i = 0; i < 24; ++i) {
        sizes.push_back(rng() % 300000);
    }
    std::string script = "import hashlib\n";
    std::vector<std::vector<std::uint8_t>> inputs;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        inputs.push_back(RandomBytes(sizes[i], static_cast<unsigned>(i)));
        testsupport::WriteAll(dir.file(std::to_string(i)), inputs.back());
        script += "print(hashlib.sha1(open('" + dir.file(std::to_string(i)) + "','rb').read()).hexdigest())\n";
    }
    testsupport::WriteAll(dir.file("check.py"), std::vector<std::uint8_t>(script.begin(), script.end()));
    int status = 0;
    const std::string out = testsupport::RunCapture("python3 " + dir.file("check.py"), &status);
    ASSERT_EQ(0, status);
    ASSERT_EQ(sizes.size() * 41, out.size()) << out;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const std::string want = out.substr(41 * i, 40);
        const std::string text(inputs[i].begin(), inputs[i].end());
        EXPECT_EQ(want, Digest(text, 35280)) << sizes[i] << " bytes in recording-sized buffers";
        for (const Sha1Kernel k : kKernels) {
            if (Sha1KernelAvailable(k)) {
                EXPECT_EQ(want, DigestWith(k, inputs[i].data(), inputs[i].size())) << static_cast<int>(k) << ", " << sizes[i];
            }
        }
    }
}

TEST(Sha1, LengthsAroundBlockEndsGiveTheKnownDigestsHoweverTheyAreFed)
{
    std::vector<std::uint8_t> bytes(300);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 31 + 7);
    }
    // The digests of every prefix, hashed in turn; the value is Python's hashlib's.
    Sha1State ofDigests;
    Sha1Init(&ofDigests);
    for (std::size_t size = 0; size <= bytes.size(); ++size) {
        const std::string text(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
        const std::string whole = Digest(text);
        EXPECT_EQ(whole, Digest(text, 1)) << size << " bytes one at a time";
        for (std::size_t split = 1; split < size; ++split) {
            Sha1State s;
            Sha1Init(&s);
            Sha1Update(&s, text.data(), split);
            Sha1Update(&s, nullptr, 0);
            Sha1Update(&s, text.data() + split, size - split);
            std::uint8_t d[20];
            Sha1Final(&s, d);
            ASSERT_EQ(whole, Hex(d)) << size << " bytes split after " << split;
        }
        for (const Sha1Kernel k : kKernels) {
            if (Sha1KernelAvailable(k)) {
                ASSERT_EQ(whole, DigestWith(k, bytes.data(), size)) << static_cast<int>(k) << ", " << size;
            }
        }
        std::uint8_t raw[20];
        for (int i = 0; i < 20; ++i) {
            raw[i] = static_cast<std::uint8_t>(std::stoi(whole.substr(2 * i, 2), nullptr, 16));
        }
        Sha1Update(&ofDigests, raw, sizeof raw);
    }
    std::uint8_t d[20];
    Sha1Final(&ofDigests, d);
    EXPECT_EQ("ed96bfdd84b07619e4bc5c2da8c68363721252c1", Hex(d));
}

// The choice is settled once per process, so the portable run is a second
// process: this test program again, on the same SHA-1 tests.
TEST(Sha1, KeptOffTheShaInstructionsTheUpdateGivesTheSameDigests)
{
    const Sha1Kernel portable = Sha1FastestKernel(true);
    EXPECT_TRUE(Sha1KernelAvailable(portable));
    EXPECT_NE(Sha1Kernel::ShaNi, portable);
    if (std::getenv("TAPVOX_SHA1_PORTABLE") != nullptr) {
        EXPECT_EQ(portable, Sha1UpdateKernel());
        return;
    }
    EXPECT_EQ(Sha1FastestKernel(false), Sha1UpdateKernel());
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    self[n] = '\0';
    int status = 0;
    const std::string out =
        testsupport::RunCapture("TAPVOX_SHA1_PORTABLE=1 '" + std::string(self) + "' --gtest_filter='Sha1.*' 2>&1", &status);
    EXPECT_EQ(0, status) << out;
    for (const char* test : {"StandardVectorsThroughTheUpdateAndEveryBlockStep",
                             "LengthsAroundBlockEndsGiveTheKnownDigestsHoweverTheyAreFed"}) {
        EXPECT_NE(out.find(std::string("[       OK ] Sha1.") + test), std::string::npos) << out;
    }
}
}
