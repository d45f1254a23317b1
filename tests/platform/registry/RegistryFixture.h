#pragma once
// The registry tests' private store: a configuration folder per test, with
// helpers that read and plant the store file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"
#include "tests/support/TestSupport.h"

inline constexpr const char* kKey = "Software\\Fennwicke\\Tapvox";

// A private configuration folder per test, and the store file inside it.
class RegistryFixture : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1); }
    std::string StoreFile() const { return dir.path() + "/tapvox/user.reg"; }
    std::string ReadStore() const
    {
        const auto bytes = testsupport::ReadAll(StoreFile());
        return std::string(bytes.begin(), bytes.end());
    }
    void WriteStore(const std::string& text) const
    {
        std::filesystem::create_directories(dir.path() + "/tapvox");
        testsupport::WriteAll(StoreFile(), std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    HKEY Open(REGSAM access = KEY_WRITE | KEY_READ)
    {
        HKEY key = nullptr;
        DWORD disposition = 0;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                                 nullptr, &key, &disposition));
        return key;
    }
    std::vector<std::filesystem::path> AsideFiles() const
    {
        std::vector<std::filesystem::path> out;
        for (const auto& e : std::filesystem::directory_iterator(dir.path() + "/tapvox")) {
            if (e.path().filename().string().find(".damaged-") != std::string::npos) {
                out.push_back(e.path());
            }
        }
        return out;
    }
    void SetText(HKEY key, const char* name, const std::string& text)
    {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                                static_cast<DWORD>(text.size() + 1)));
    }

    testsupport::TempDir dir;
};
