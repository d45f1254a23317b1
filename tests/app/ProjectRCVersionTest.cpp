// The version resource as About reads it: the program's own strings, other files and no resource.
#include <gtest/gtest.h>

#include <string>

#include "app/ProjectRCVersion.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/VersionInfo.h"
#include "resources/Resources.h"

namespace {
class VersionResourceTest : public ::testing::Test {
protected:
    void TearDown() override { platform::SetVersionResource({}); }
};

TEST_F(VersionResourceTest, TheProgramsStringsAreFoundThroughItsFirstTranslation)
{
    resources::RegisterVersion();
    ProjectRCVersion v(nullptr);
    LPSTR name = nullptr, version = nullptr, copyright = nullptr;
    ASSERT_TRUE(v.GetProductName(name));
    EXPECT_STREQ("Tapvox", name);
    ASSERT_TRUE(v.GetProductVersion(version));
    EXPECT_NE(std::string::npos, std::string(version).find('.')) << version;
    ASSERT_TRUE(v.GetLegalCopyright(copyright));
    EXPECT_NE(std::string::npos, std::string(copyright).find("Copyright")) << copyright;

    // Another language and code page: the key the reader builds must follow them.
    platform::VersionResource german;
    german.language = 0x0407;
    german.codePage = 1252;
    german.strings = {{"ProductName", "Tonband"}};
    platform::SetVersionResource(german);
    ProjectRCVersion g(nullptr);
    ASSERT_TRUE(g.GetProductName(name));
    EXPECT_STREQ("Tonband", name);
    EXPECT_FALSE(g.GetProductVersion(version)) << "an item the resource lacks";
    char own[MAX_PATH] = "";
    ASSERT_GT(GetModuleFileNameA(nullptr, own, sizeof own), 0u);
    std::string block(GetFileVersionInfoSizeA(own, nullptr), '\0');
    ASSERT_TRUE(GetFileVersionInfoA(own, 0, static_cast<DWORD>(block.size()), block.data()));
    void* value = nullptr;
    UINT length = 0;
    EXPECT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040704E4\\productname", &value, &length));
    EXPECT_EQ(8u, length);
    EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\ProductName", &value, &length));
    EXPECT_FALSE(GetFileVersionInfoA(own, 0, static_cast<DWORD>(block.size() - 1), block.data())) << "too small a buffer";
}

TEST_F(VersionResourceTest, WithoutAResourceOrForAnotherFileEveryGetterFails)
{
    ProjectRCVersion none(nullptr);
    LPSTR text = nullptr;
    EXPECT_FALSE(none.GetProductName(text));
    EXPECT_FALSE(none.GetProductVersion(text));
    EXPECT_FALSE(none.GetLegalCopyright(text));
    resources::RegisterVersion();
    EXPECT_EQ(0u, GetFileVersionInfoSizeA("/bin/sh", nullptr));
    EXPECT_EQ(0u, GetFileVersionInfoSizeA(nullptr, nullptr));
}
}
