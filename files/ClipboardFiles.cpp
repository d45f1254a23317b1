// Whole recording files to and from the clipboard.
#include "files/ClipboardFiles.h"

#include <algorithm>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "files/FileType.h"
#include "platform/core/Path.h"
#include "platform/kernel/FileBytes.h"
#include "platform/kernel/FileCopy.h"
#include "platform/kernel/SafeOpen.h"
#include "platform/user/Clipboard.h"

namespace {
// Runs the steps over total bytes; false when a step stops it or fails.
template <typename Body>
bool InSteps(std::uint64_t total, std::size_t step, const TransferStep& proceed, bool* cancelled, Body body)
{
    step = std::max<std::size_t>(step, 1);
    for (std::uint64_t done = 0; done < total;) {
        if (proceed && !proceed(total - done, total)) {
            *cancelled = true;
            return false;
        }
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(step, total - done));
        if (!body(done, n)) {
            return false;
        }
        done += n;
    }
    return true;
}
}

UINT ClipboardFormatOf(int type)
{
    if (type == FileTypeMp3 || type == FileTypeWmv || type == FileTypeOgg) {
        return RegisterClipboardFormatA(FileTypeName(type));
    }
    return CF_WAVE;
}

int TransferPercent(std::uint64_t remaining, std::uint64_t total)
{
    // 100 - MulDiv(remaining / 2, 100, total / 2), without a division by zero for tiny files.
    const std::uint64_t half = std::max<std::uint64_t>(total, 2) / 2;
    const std::uint64_t part = (remaining / 2 * 100 + half / 2) / half;
    return 100 - static_cast<int>(std::min<std::uint64_t>(part, 100));
}

bool FileToClipboard(HWND owner, const char* path, UINT format, std::size_t step, const TransferStep& proceed)
{
    if (!path || format == 0) {
        return false;
    }
    const int fd = platform::OpenRegularForRead(platform::ToSlashes(path));
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || st.st_size <= 0) {
        if (fd >= 0) {
            close(fd);
        }
        return false;
    }
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, static_cast<SIZE_T>(size));
    char* bytes = block ? static_cast<char*>(GlobalLock(block)) : nullptr;
    bool cancelled = false;
    const bool read = bytes && InSteps(size, step, proceed, &cancelled, [&](std::uint64_t at, std::size_t n) {
        std::size_t got = 0;
        return platform::ReadUpToAt(fd, bytes + at, n, static_cast<std::int64_t>(at), &got) && got == n;
    });
    close(fd);
    if (bytes) {
        GlobalUnlock(block);
    }
    if (!read) {
        GlobalFree(block);
        return false;
    }
    if (!OpenClipboard(owner)) {
        GlobalFree(block);
        return false;
    }
    EmptyClipboard();
    const bool set = SetClipboardData(format, block) != nullptr;
    if (!set) {
        GlobalFree(block);
    }
    return CloseClipboard() && set;
}

ClipboardToFileResult ClipboardToFile(HWND owner, UINT format, const char* path, std::size_t step,
                                      const TransferStep& proceed, const std::function<bool(std::uint64_t)>& haveRoom)
{
    if (!path || !*path || format == 0 || !OpenClipboard(owner)) {
        return ClipboardToFileResult::Failed;
    }
    HANDLE block = GetClipboardData(format);
    const std::uint64_t size = block ? GlobalSize(block) : 0;
    if (size == 0) {
        CloseClipboard();
        return ClipboardToFileResult::NoData;
    }
    if (haveRoom && !haveRoom(size)) {
        CloseClipboard();
        return ClipboardToFileResult::NoRoom;
    }
    const std::string target = platform::ToSlashes(path);
    const char* bytes = static_cast<const char*>(GlobalLock(block));
    bool cancelled = false;
    const bool ok = bytes && platform::ReplaceThroughTemporary(target, 0666, [&](int fd) {
        return InSteps(size, step, proceed, &cancelled, [&](std::uint64_t at, std::size_t n) {
            return platform::WriteAllAt(fd, bytes + at, n, static_cast<std::int64_t>(at));
        });
    });
    if (bytes) {
        GlobalUnlock(block);
    }
    CloseClipboard();
    if (ok) {
        return ClipboardToFileResult::Written;
    }
    return cancelled ? ClipboardToFileResult::Cancelled : ClipboardToFileResult::Failed;
}
