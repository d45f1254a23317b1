// Temp, unique and probe names: a dangling link is a taken name, and the writability probe never follows one.
#include "files/FileNames.h"

#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/core/Path.h"
#include "platform/core/Strings.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/SafeOpen.h"
#include "platform/kernel/Modules.h"
#include "platform/mmio/Mmio.h"

bool GetTempFolder(std::size_t size, char* buffer)
{
    const DWORD n = GetTempPathA(static_cast<DWORD>(size), buffer);
    return n != 0 && n < size;
}

bool MakeTempFileName(char* out)
{
    // Never the current folder instead: a refused temp folder is a failed open.
    char folder[MAX_PATH] = "";
    if (!out || !GetTempFolder(sizeof folder, folder)) {
        return false;
    }
    return GetTempFileNameA(folder, "RIF", 0, out) != 0;
}

bool MakeUniqueFileName(const char* prefix, const char* extension, char* out, bool temporary, const char* folder)
{
    std::string base = folder ? folder : "";
    if (!base.empty() && base.back() != '\\' && base.back() != '/') {
        base += '\\';
    }
    base += (prefix && *prefix) ? prefix : (temporary ? "~rec" : "rec");
    std::string ext = (extension && *extension) ? extension : ".tmp";
    if (ext[0] != '.') {
        ext = "." + ext;
    }
    std::string name;
    for (int n = 1; n <= 9999; ++n) {
        name = base + "_" + std::to_string(n) + ext;
        if (!mmioOpenA(name.data(), nullptr, MMIO_EXIST)) {
            break;
        }
    }
    platform::CopyBounded(out, MAX_PATH, name);
    return true;
}

bool FileExists(const char* path)
{
    // A dangling link is a taken name too, never a free one to create through.
    return path && platform::NameExists(path);
}

std::uint64_t FileSizeOf(const char* path)
{
    struct stat st;
    return (path && stat(path, &st) == 0) ? static_cast<std::uint64_t>(st.st_size) : 0;
}

bool CreateDirectoryPath(const char* path)
{
    if (!path) {
        return false;
    }
    std::string p = path;
    for (auto& c : p) {
        if (c == '\\') {
            c = '/';
        }
    }
    const std::size_t last = p.rfind('/');
    if (last == std::string::npos) {
        return false;
    }
    p.resize(last + 1);
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (p[i] != '/' || i == 0) {
            continue;
        }
        const std::string prefix = p.substr(0, i + 1);
        if (access(prefix.c_str(), F_OK) != 0 && !CreateDirectoryA(prefix.c_str(), nullptr)) {
            return false;
        }
    }
    return access(p.c_str(), F_OK) == 0;
}

bool ExpandFullPath(char* path)
{
    if (!path) {
        return false;
    }
    HMODULE kernel = LoadLibraryA("kernel32.dll");
    if (!kernel) {
        return false;
    }
    using FullPathFn = DWORD (*)(LPCSTR, DWORD, LPSTR, LPSTR*);
    auto fn = reinterpret_cast<FullPathFn>(GetProcAddress(kernel, "GetFullPathNameA"));
    if (!fn) {
        FreeLibrary(kernel);
        return false;
    }
    char full[MAX_PATH];
    const DWORD n = fn(path, MAX_PATH, full, nullptr);
    if (n > 0 && n < MAX_PATH) {
        std::memcpy(path, full, n + 1);
    }
    FreeLibrary(kernel);
    return true;
}

bool IsDirectoryWritable(const char* folder)
{
    if (!folder || !*folder) {
        return false;
    }
    char probe[MAX_PATH];
    MakeUniqueFileName("foo", "bar", probe, true, folder);
    const std::string path = platform::ToSlashes(probe);
    // Made exclusively: a name planted since the check is refused, never followed.
    const int fd = platform::CreateExclusive(path, 0600);
    if (fd < 0) {
        return false;
    }
    const char c = 'c';
    const bool writable = write(fd, &c, 1) == 1;
    const bool closed = close(fd) == 0;
    unlink(path.c_str());
    return writable && closed;
}
