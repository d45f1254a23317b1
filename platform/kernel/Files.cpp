// File and folder calls on Linux: texts returned by the Windows buffer rules, and deletion that never takes a folder.
#include "platform/kernel/Files.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

#include "platform/core/Path.h"
#include "platform/core/Strings.h"
#include "platform/kernel/FileCopy.h"

namespace {
// Copies text with its NUL when it fits: returns the length, else the size needed.
DWORD ReturnText(const std::string& text, DWORD bufferLength, LPSTR buffer)
{
    if (!buffer || text.size() + 1 > bufferLength) {
        return static_cast<DWORD>(text.size() + 1);
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

std::string CurrentDirectory()
{
    std::vector<char> buf(PATH_MAX);
    if (!getcwd(buf.data(), buf.size())) {
        return "/";
    }
    return buf.data();
}

// Folds "." and ".." and doubled separators of an absolute "/" path.
std::string Normalize(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i <= path.size()) {
        std::size_t j = path.find('/', i);
        if (j == std::string::npos) {
            j = path.size();
        }
        std::string part = path.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out;
    for (const auto& p : parts) {
        out += "/" + p;
    }
    // A trailing separator names the folder itself; keep it as Windows does.
    if (!path.empty() && path.back() == '/' && !out.empty()) {
        out += "/";
    }
    return out.empty() ? "/" : out;
}
}

DWORD GetFullPathNameA(LPCSTR name, DWORD bufferLength, LPSTR buffer, LPSTR* filePart)
{
    if (!name || !*name) {
        return 0;
    }
    std::string path = platform::ToSlashes(name);
    if (path[0] != '/') {
        path = CurrentDirectory() + "/" + path;
    }
    const std::string full = Normalize(path);
    const DWORD r = ReturnText(full, bufferLength, buffer);
    if (filePart && buffer && r < bufferLength) {
        const std::size_t slash = full.rfind('/');
        *filePart = (slash + 1 < full.size()) ? buffer + slash + 1 : nullptr;
    }
    return r;
}

BOOL CreateDirectoryA(LPCSTR pathName, void*)
{
    return pathName && mkdir(platform::ToSlashes(pathName).c_str(), 0777) == 0;
}

BOOL SetCurrentDirectoryA(LPCSTR pathName)
{
    return pathName && *pathName && chdir(platform::ToSlashes(pathName).c_str()) == 0;
}

BOOL DeleteFileA(LPCSTR fileName)
{
    if (!fileName) {
        return FALSE;
    }
    struct stat st;
    const std::string path = platform::ToSlashes(fileName);
    // Windows deletes files only, never folders.
    if (lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
        return FALSE;
    }
    return unlink(path.c_str()) == 0;
}

BOOL CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists)
{
    if (!existingFileName || !newFileName) {
        return FALSE;
    }
    return platform::CopyRegularFile(existingFileName, newFileName, failIfExists) == platform::CopyResult::Copied;
}

DWORD GetModuleFileNameA(HMODULE, LPSTR fileName, DWORD size)
{
    if (!fileName || size == 0) {
        return 0;
    }
    std::vector<char> buf(PATH_MAX + 1);
    const ssize_t n = readlink("/proc/self/exe", buf.data(), PATH_MAX);
    if (n <= 0) {
        return 0;
    }
    const std::string path(buf.data(), static_cast<std::size_t>(n));
    // Too small: truncated and terminated, returning the size (as Windows does).
    if (path.size() + 1 > size) {
        platform::CopyBounded(fileName, size, path);
        return size;
    }
    std::memcpy(fileName, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

namespace {
bool StatFolder(LPCSTR folder, struct statvfs* vfs)
{
    std::string path = folder && *folder ? platform::ToSlashes(folder) : std::string(".");
    // A file name or a missing last part is answered by the folder that holds it.
    while (statvfs(path.c_str(), vfs) != 0) {
        const std::size_t slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
        if (slash == std::string::npos) {
            return false;
        }
        path = slash == 0 ? "/" : path.substr(0, slash);
    }
    return true;
}
}

BOOL GetDiskFreeSpaceExA(LPCSTR directoryName, PULARGE_INTEGER freeBytesAvailableToCaller,
                         PULARGE_INTEGER totalNumberOfBytes, PULARGE_INTEGER totalNumberOfFreeBytes)
{
    struct statvfs vfs;
    if (!StatFolder(directoryName, &vfs)) {
        return FALSE;
    }
    const ULONGLONG unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    if (freeBytesAvailableToCaller) {
        freeBytesAvailableToCaller->QuadPart = static_cast<ULONGLONG>(vfs.f_bavail) * unit;
    }
    if (totalNumberOfBytes) {
        totalNumberOfBytes->QuadPart = static_cast<ULONGLONG>(vfs.f_blocks) * unit;
    }
    if (totalNumberOfFreeBytes) {
        totalNumberOfFreeBytes->QuadPart = static_cast<ULONGLONG>(vfs.f_bfree) * unit;
    }
    return TRUE;
}

BOOL GetVolumePathNameA(LPCSTR fileName, LPSTR volumePathName, DWORD bufferLength)
{
    if (!fileName || !*fileName || !volumePathName || bufferLength == 0) {
        return FALSE;
    }
    char full[MAX_PATH];
    if (GetFullPathNameA(fileName, sizeof full, full, nullptr) == 0) {
        return FALSE;
    }
    std::string path = full;
    struct stat st{};
    while (stat(path.c_str(), &st) != 0) {
        const std::size_t slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
        if (slash == std::string::npos) {
            return FALSE;
        }
        path = slash == 0 ? "/" : path.substr(0, slash);
    }
    // Up the folders while the parent lies on the same device.
    while (path != "/") {
        const std::size_t slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
        const std::string parent = slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
        struct stat up{};
        if (stat(parent.c_str(), &up) != 0 || up.st_dev != st.st_dev) {
            break;
        }
        path = parent;
    }
    if (path.back() != '/') {
        path += '/';
    }
    if (path.size() + 1 > bufferLength) {
        return FALSE;
    }
    std::memcpy(volumePathName, path.c_str(), path.size() + 1);
    return TRUE;
}

BOOL GetDiskFreeSpaceA(LPCSTR rootPathName, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                       DWORD* numberOfFreeClusters, DWORD* totalNumberOfClusters)
{
    struct statvfs vfs;
    if (!StatFolder(rootPathName, &vfs)) {
        return FALSE;
    }
    const ULONGLONG unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    const DWORD sector = 512;
    const DWORD perCluster = unit >= sector ? static_cast<DWORD>(unit / sector) : 1;
    const ULONGLONG clusterBytes = static_cast<ULONGLONG>(perCluster) * sector;
    // Cluster counts are 32-bit: very large volumes report at most 0xFFFFFFFF.
    auto clusters = [&](ULONGLONG blocks) {
        const ULONGLONG c = blocks * unit / clusterBytes;
        return static_cast<DWORD>(c > 0xFFFFFFFFull ? 0xFFFFFFFFull : c);
    };
    if (sectorsPerCluster) {
        *sectorsPerCluster = perCluster;
    }
    if (bytesPerSector) {
        *bytesPerSector = sector;
    }
    if (numberOfFreeClusters) {
        *numberOfFreeClusters = clusters(vfs.f_bavail);
    }
    if (totalNumberOfClusters) {
        *totalNumberOfClusters = clusters(vfs.f_blocks);
    }
    return TRUE;
}
