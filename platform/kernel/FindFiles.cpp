// FindFirstFileA and friends: the names of a folder that match a pattern, read at once and handed out in order.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/core/Path.h"
#include "platform/core/Strings.h"
#include "platform/kernel/Files.h"

namespace {
struct Search {
    std::vector<WIN32_FIND_DATAA> found;
    std::size_t next = 0;
};

// "*" any run, "?" one character, anything else itself in either case, as the shell's own matching does.
bool Matches(const char* pattern, const char* name)
{
    if (*pattern == '\0') {
        return *name == '\0';
    }
    if (*pattern == '*') {
        for (const char* n = name;; ++n) {
            if (Matches(pattern + 1, n)) {
                return true;
            }
            if (*n == '\0') {
                return false;
            }
        }
    }
    if (*name == '\0') {
        return false;
    }
    return (*pattern == '?' || platform::LowerAscii(*pattern) == platform::LowerAscii(*name)) && Matches(pattern + 1, name + 1);
}
}

HANDLE FindFirstFileA(LPCSTR fileName, WIN32_FIND_DATAA* data)
{
    if (!fileName || !data) {
        return INVALID_HANDLE_VALUE;
    }
    const std::string_view path(fileName);
    const std::string pattern(platform::FileNamePart(path));
    const std::string folder(path.size() == pattern.size() ? std::string_view(".") : path.substr(0, path.size() - pattern.size()));
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        return INVALID_HANDLE_VALUE;
    }
    auto* search = new Search;
    while (const dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0 ||
            std::strlen(e->d_name) >= MAX_PATH || !Matches(pattern.c_str(), e->d_name)) {
            continue;
        }
        WIN32_FIND_DATAA d{};
        struct stat st{};
        std::string full = folder;
        full += '/';
        full += e->d_name;
        if (stat(full.c_str(), &st) == 0) {
            d.dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
            d.nFileSizeHigh = static_cast<DWORD>(static_cast<std::uint64_t>(st.st_size) >> 32);
            d.nFileSizeLow = static_cast<DWORD>(st.st_size);
        } else {
            d.dwFileAttributes = FILE_ATTRIBUTE_NORMAL;  // a dangling link: a name without a file
        }
        platform::CopyBounded(d.cFileName, sizeof d.cFileName, e->d_name);
        search->found.push_back(d);
    }
    closedir(dir);
    if (search->found.empty()) {
        delete search;
        return INVALID_HANDLE_VALUE;
    }
    std::sort(search->found.begin(), search->found.end(),
              [](const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) { return std::strcmp(a.cFileName, b.cFileName) < 0; });
    *data = search->found[search->next++];
    return static_cast<HANDLE>(search);
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data)
{
    auto* search = static_cast<Search*>(find);
    if (!search || find == INVALID_HANDLE_VALUE || !data || search->next >= search->found.size()) {
        return FALSE;
    }
    *data = search->found[search->next++];
    return TRUE;
}

BOOL FindClose(HANDLE find)
{
    if (!find || find == INVALID_HANDLE_VALUE) {
        return FALSE;
    }
    delete static_cast<Search*>(find);
    return TRUE;
}
