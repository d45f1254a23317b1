// The INI functions: defaults, names without case, trimmed values, cut buffers, integers, writes, structs.
#include "platform/profile/Profile.h"
#include "platform/profile/ProfileText.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <string>

#include "tests/support/TestSupport.h"

namespace {
class ProfileTest : public ::testing::Test {
protected:
    std::string Read() const
    {
        const auto bytes = testsupport::ReadAll(ini);
        return std::string(bytes.begin(), bytes.end());
    }
    void Write(const std::string& text) const
    {
        testsupport::WriteAll(ini, std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    std::string Get(const char* section, const char* key, const char* def = "DEF", DWORD size = 260) const
    {
        std::vector<char> buf(size + 1, 'X');
        GetPrivateProfileStringA(section, key, def, buf.data(), size, ini.c_str());
        return buf.data();
    }
    int Int(const char* key, int def = -7) const
    {
        return static_cast<INT>(GetPrivateProfileIntA("S", key, def, ini.c_str()));
    }

    testsupport::TempDir dir;
    std::string ini = dir.file("tapvox.ini");
};

TEST_F(ProfileTest, MissingFileSectionOrKeyGivesTheDefault)
{
    char buf[16];
    EXPECT_EQ(3u, GetPrivateProfileStringA("Setup", "X", "abc   ", buf, sizeof buf, ini.c_str()));
    EXPECT_STREQ("abc", buf) << "trailing blanks of the default are removed";
    EXPECT_EQ(0u, GetPrivateProfileStringA("Setup", "X", nullptr, buf, sizeof buf, ini.c_str()));
    EXPECT_STREQ("", buf);
    EXPECT_EQ(128, static_cast<INT>(GetPrivateProfileIntA("Setup", "Sound Level", 128, ini.c_str())));
    Write("[Other]\nX=1\n");
    EXPECT_EQ("DEF", Get("Setup", "X"));
    EXPECT_EQ("DEF", Get("Other", "Y"));
    EXPECT_EQ(0u, GetPrivateProfileStringA("Other", "X", "d", buf, 0, ini.c_str()));
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.ini")));
}

TEST_F(ProfileTest, NamesIgnoreCaseValuesAreTrimmedAndTheFirstMatchCounts)
{
    Write("; comment\n"
          "  [ Setup ]  \n"
          "  Sound Level =  42  \n"
          "Quoted=\"  spaced  \"\n"
          "Single='x'\n"
          "Half=\"x\n"
          "bare\n"
          "dup=first\n"
          "dup=second\n"
          "garbage line without equals sign\n"
          "\x01\x02\xff=bin\n"
          "[setup]\n"
          "Other=second section\n");
    EXPECT_EQ("42", Get("SETUP", "sound level"));
    EXPECT_EQ("  spaced  ", Get("Setup", "Quoted"));
    EXPECT_EQ("x", Get("Setup", "Single"));
    EXPECT_EQ("\"x", Get("Setup", "Half"));
    EXPECT_EQ("", Get("Setup", "bare"));
    EXPECT_EQ("first", Get("Setup", "DUP"));
    EXPECT_EQ("DEF", Get("Setup", "Other")) << "only the first section of a name is read";
    EXPECT_EQ("bin", Get("Setup", "\x01\x02\xff"));
}

TEST_F(ProfileTest, ValuesAreCutToTheBufferAndTheCopiedLengthReturned)
{
    const std::string hex(4000, 'a');
    ASSERT_TRUE(WritePrivateProfileStringA("Wave", "WaveFormat", hex.c_str(), ini.c_str()));
    std::vector<char> big(4001);
    EXPECT_EQ(4000u, GetPrivateProfileStringA("Wave", "WaveFormat", "", big.data(), 4001, ini.c_str()));
    EXPECT_EQ(hex, big.data());
    char small[10];
    EXPECT_EQ(9u, GetPrivateProfileStringA("Wave", "WaveFormat", "", small, sizeof small, ini.c_str()));
    EXPECT_EQ(std::string(9, 'a'), small);
    // A huge line is read and rewritten like any other.
    const std::string huge(3 << 20, 'z');
    ASSERT_TRUE(WritePrivateProfileStringA("Wave", "Huge", huge.c_str(), ini.c_str()));
    EXPECT_EQ(9u, GetPrivateProfileStringA("Wave", "Huge", "", small, sizeof small, ini.c_str()));
    EXPECT_EQ(hex.size(), GetPrivateProfileStringA("Wave", "WaveFormat", "", big.data(), 4001, ini.c_str()));
}

TEST_F(ProfileTest, IntegerTextAsTheSettingsLoadersSeeIt)
{
    Write("[S]\nneg=-5\nplus=+7\nword=abc\nempty=\nlead=12abc\nhex=0x1F\nbig=99999999999\nsmall=-99999999999\n"
          "spaces=   33   \nminus=-\nquoted=\"15\"\nzero=0\n");
    EXPECT_EQ(-5, Int("neg")) << "negative text comes back negative once cast to INT";
    EXPECT_EQ(0xFFFFFFFBu, GetPrivateProfileIntA("S", "neg", 0, ini.c_str()));
    EXPECT_EQ(7, Int("plus"));
    EXPECT_EQ(0, Int("word")) << "text without digits is 0, not the default";
    EXPECT_EQ(-7, Int("empty")) << "an empty value is the default";
    EXPECT_EQ(-7, Int("missing"));
    EXPECT_EQ(12, Int("lead"));
    EXPECT_EQ(31, Int("hex"));
    EXPECT_EQ(INT_MAX, Int("big")) << "beyond 32 bits the value does not wrap into range";
    EXPECT_EQ(INT_MIN, Int("small"));
    EXPECT_EQ(33, Int("spaces"));
    EXPECT_EQ(0, Int("minus"));
    EXPECT_EQ(15, Int("quoted"));
    EXPECT_EQ(0, Int("zero"));
}

TEST_F(ProfileTest, WritesCreateReplaceAndDeleteKeepingEveryOtherLine)
{
    Write("; my settings\r\n[Setup]\r\nSound Level=5\r\nnot a key line\r\n\r\n[File]\r\nFileSize=20\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("setup", "sound level", "42", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("Setup", "UseWinClip", "1", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("Timer", "TimeStart", "7:30pm", ini.c_str()));
    EXPECT_EQ("; my settings\r\n[Setup]\r\nsound level=42\r\nnot a key line\r\nUseWinClip=1\r\n\r\n[File]\r\n"
              "FileSize=20\r\n\r\n[Timer]\r\nTimeStart=7:30pm\r\n",
              Read());
    ASSERT_TRUE(WritePrivateProfileStringA("Setup", "UseWinClip", nullptr, ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("File", nullptr, nullptr, ini.c_str()));
    EXPECT_EQ("; my settings\r\n[Setup]\r\nsound level=42\r\nnot a key line\r\n\r\n[Timer]\r\nTimeStart=7:30pm\r\n",
              Read());
    EXPECT_FALSE(WritePrivateProfileStringA("Setup", "A", "two\nlines", ini.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA("Setup", "A=B", "x", ini.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA("Setup", "A", "x", ""));
    EXPECT_FALSE(WritePrivateProfileStringA("Setup", "A", "x", dir.file("no/such/folder.ini").c_str()));
}

TEST_F(ProfileTest, StructValuesCarryAChecksumAndMustHaveTheExactSize)
{
    const unsigned char data[5] = {0x01, 0xAB, 0xFF, 0x00, 0x10};
    ASSERT_TRUE(WritePrivateProfileStructA("Setup", "Blob", const_cast<unsigned char*>(data), 5, ini.c_str()));
    EXPECT_EQ("01ABFF0010BB", Get("Setup", "Blob"));  // 0x01+0xAB+0xFF+0x10 = 0x1BB
    unsigned char back[5] = {};
    ASSERT_TRUE(GetPrivateProfileStructA("Setup", "Blob", back, 5, ini.c_str()));
    EXPECT_EQ(0, std::memcmp(data, back, 5));
    unsigned char other[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_FALSE(GetPrivateProfileStructA("Setup", "Blob", other, 4, ini.c_str()));
    EXPECT_FALSE(GetPrivateProfileStructA("Setup", "Blob", other, 6, ini.c_str()));
    EXPECT_EQ(9, other[0]);
    WritePrivateProfileStringA("Setup", "Blob", "01ABFF0010BC", ini.c_str());
    EXPECT_FALSE(GetPrivateProfileStructA("Setup", "Blob", back, 5, ini.c_str())) << "bad checksum";
    WritePrivateProfileStringA("Setup", "Blob", "01ABFG0010BB", ini.c_str());
    EXPECT_FALSE(GetPrivateProfileStructA("Setup", "Blob", back, 5, ini.c_str()));
    EXPECT_FALSE(GetPrivateProfileStructA("Setup", "Missing", back, 5, ini.c_str()));
}

TEST_F(ProfileTest, AnotherIniReaderReadsWhatWasWritten)
{
    TAPVOX_REQUIRE_TOOL("python3");
    WritePrivateProfileStringA("Setup", "Sound Level", "42", ini.c_str());
    WritePrivateProfileStringA("File", "ImprovedFilePrefix", "%Y%m%d-rec", ini.c_str());
    WritePrivateProfileStringA("File", "DefaultDirectory", "", ini.c_str());
    WritePrivateProfileStringA("Setup", "UseWinClip", "1", ini.c_str());
    int status = -1;
    const std::string out = testsupport::RunCapture(
        "python3 -c \"import configparser,sys; c=configparser.ConfigParser(interpolation=None); "
        "c.optionxform=str; c.read(sys.argv[1]); "
        "print(c['Setup']['Sound Level'], c['Setup']['UseWinClip'], c['File']['ImprovedFilePrefix'], "
        "repr(c['File']['DefaultDirectory']))\" '" + ini + "'",
        &status);
    EXPECT_EQ(0, status);
    EXPECT_EQ("42 1 %Y%m%d-rec ''\n", out);
    testsupport::SaveSeed("ini_profile", ini);
}

TEST_F(ProfileTest, UnreadableFileIsNeitherReadNorOverwritten)
{
    std::filesystem::create_directory(ini);  // a folder where the file should be
    EXPECT_EQ("DEF", Get("S", "K"));
    EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "v", ini.c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(ini));
}
}
