#pragma once
// A private settings world for one test: temporary config, data and cache
// folders, fresh format buffers, and every settings value set to something
// that no load would produce, so a test sees what a load really set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/FormatBuffers.h"
#include "platform/registry/Registry.h"
#include "platform/user/Headless.h"
#include "platform/user/Window.h"
#include "settings/Settings.h"
#include "tests/support/TestSupport.h"

// A top-level window at x, y made the active window.
inline HWND ActiveWindowAt(int x, int y)
{
    WNDCLASSA wc {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "SettingsTestFrame";
    RegisterClassA(&wc);
    const HWND hwnd =
        CreateWindowExA(0, "SettingsTestFrame", "Tapvox", WS_OVERLAPPED, x, y, 300, 200, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    SetActiveWindow(hwnd);
    return hwnd;
}

class SettingsFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
        setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
        setenv("XDG_CACHE_HOME", dir.file("cache").c_str(), 1);
        MaxFormatSize = 2000;
        AllocateFormatBuffers();
        SetMainWindowPositionSource(nullptr);
        platform::headless::Reset();
    }
    void TearDown() override { FreeFormatBuffers(); }

    std::string StoreFile() const { return dir.file("config") + "/tapvox/user.reg"; }
    std::string ReadFile(const std::string& path) const
    {
        const auto bytes = testsupport::ReadAll(path);
        return std::string(bytes.begin(), bytes.end());
    }

    // Writes values straight into the registry store, as a damaged or hand-edited store would hold them.
    void PutRaw(const char* name, DWORD type, const void* data, DWORD size)
    {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Fennwicke\\Tapvox", 0, nullptr, 0,
                                                 KEY_WRITE, nullptr, &key, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
        RegCloseKey(key);
    }
    void PutText(const char* name, const std::string& text) { PutRaw(name, REG_SZ, text.c_str(), text.size() + 1); }
    void PutByte(const char* name, BYTE b) { PutRaw(name, REG_BINARY, &b, 1); }
    std::vector<BYTE> GetRaw(const char* name)
    {
        HKEY key = nullptr;
        std::vector<BYTE> out;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Fennwicke\\Tapvox", 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return out;
        }
        DWORD size = 0;
        if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
            out.resize(size);
            RegQueryValueExA(key, name, nullptr, nullptr, out.data(), &size);
        }
        RegCloseKey(key);
        return out;
    }

    testsupport::TempDir dir;
    std::string ini = dir.file("settings.ini");
    // A load makes the stored recording folder, inside dir, current.
    testsupport::KeepCurrentDirectory keepDirectory;
};
