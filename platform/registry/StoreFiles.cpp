// The store and autostart files: the store is read only from this user's own file; a damaged one is set aside.
#include "platform/registry/StoreFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/core/EntryText.h"
#include "platform/kernel/AtomicFile.h"
#include "platform/kernel/PrivateFolder.h"
#include "platform/kernel/SafeOpen.h"

namespace platform::registry {
namespace {
std::string ConfigHome()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* pw = getpwuid(getuid());
        home = pw ? pw->pw_dir : "/";
    }
    return std::string(home) + "/.config";
}

std::string StoreFolder() { return ConfigHome() + "/tapvox"; }
std::string LockPath() { return StorePath() + ".lock"; }

// Exclusive lock on the store's lock file, held while the object lives.
class StoreLock {
public:
    StoreLock() : fd_(OpenOrCreateForWrite(LockPath(), nullptr, 0600))
    {
        locked_ = fd_ >= 0 && LockExclusive(fd_);
    }
    ~StoreLock()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    bool locked() const { return locked_; }
    // Why the lock was not taken.
    StoreStatus failure() const { return fd_ < 0 ? StoreStatus::Refused : StoreStatus::Locked; }

private:
    int fd_;
    bool locked_ = false;
};

enum class Loaded { Ok, Empty, Damaged, Unreadable };

// The text of the file that holds the store, opened without following a link:
// a link at the store's name was resolved and checked by FindStoreTarget, and
// what it names must still be this user's file when it is opened.
FileReadResult ReadTarget(const StoreTarget& target, std::string& text)
{
    text.clear();
    const int fd = OpenRegularForRead(target.path, false);
    if (fd < 0) {
        return errno == ENOENT || errno == ENOTDIR ? FileReadResult::Missing : FileReadResult::Failed;
    }
    struct stat st {};
    FileReadResult result = FileReadResult::Failed;
    if (::fstat(fd, &st) == 0 && (!target.linked || st.st_uid == ::geteuid())) {
        result = ReadWholeDescriptor(fd, text, kMaxStoreBytes);
    }
    ::close(fd);
    return result;
}

Loaded ReadStore(StoreData& data, std::string* why, std::string* original = nullptr)
{
    data.keys.clear();
    std::string scratch;
    std::string& text = original ? *original : scratch;
    const StoreTarget target = FindStoreTarget(false);
    if (!target.problem.empty()) {
        return Loaded::Unreadable;
    }
    switch (ReadTarget(target, text)) {
    case FileReadResult::Missing:
        return Loaded::Empty;
    case FileReadResult::Failed:
        return Loaded::Unreadable;
    case FileReadResult::TooLarge:
        *why = "file too large";
        return Loaded::Damaged;
    case FileReadResult::Ok:
        break;
    }
    if (text.empty()) {
        return Loaded::Empty;
    }
    if (!ParseStore(text, data, why)) {
        data.keys.clear();
        return Loaded::Damaged;
    }
    return Loaded::Ok;
}

// Called with the lock held: keeps the damaged file under another name so the
// user can look at it, and lets the program go on with defaults.
void SetAside(const std::string& why)
{
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm tm {};
    localtime_r(&now, &tm);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    std::string aside = StorePath() + ".damaged-" + stamp;
    for (int n = 2; NameExists(aside) && n < 1000; ++n) {
        aside = StorePath() + ".damaged-" + stamp + "-" + std::to_string(n);
    }
    if (::rename(StorePath().c_str(), aside.c_str()) == 0) {
        std::fprintf(stderr, "tapvox: the settings store %s was damaged (%s); kept as %s, defaults used\n",
                     StorePath().c_str(), why.c_str(), aside.c_str());
    } else {
        std::fprintf(stderr, "tapvox: the settings store %s is damaged (%s); defaults used\n", StorePath().c_str(),
                     why.c_str());
    }
}

std::string AutostartFolder() { return ConfigHome() + "/autostart"; }

bool ValidEntryName(const std::string& name)
{
    if (name.empty() || name == "." || name == ".." || name.size() > 200) {
        return false;
    }
    for (const char c : name) {
        if (c == '/' || static_cast<unsigned char>(c) < 0x20) {
            return false;
        }
    }
    return true;
}

std::string EntryPath(const std::string& name) { return AutostartFolder() + "/" + name + ".desktop"; }
}

std::string StorePath() { return StoreFolder() + "/user.reg"; }

std::string StoreProblem(bool forWriting)
{
    const std::string folder = StoreFolder();
    if (forWriting && !MakeFolderPath(ConfigHome())) {
        return "its folder " + ConfigHome() + " cannot be made (" + std::strerror(errno) + ")";
    }
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) {
        if (!forWriting) {
            return {};  // no store yet: nothing to read
        }
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            return "its folder " + folder + " cannot be made (" + std::strerror(errno) + ")";
        }
    }
    if (!MakePrivateFolder(folder, false)) {
        return "its folder " + folder + " is not a folder of this user alone";
    }
    const StoreTarget target = FindStoreTarget(forWriting);
    if (!target.problem.empty() || !forWriting) {
        return target.problem;
    }
    // The lock lives beside the store's name, in the private folder, even when a link leads elsewhere.
    const int fd = OpenOrCreateForWrite(LockPath(), nullptr, 0600);
    if (fd < 0) {
        return "its lock file " + LockPath() + " cannot be made (" + std::strerror(errno) + ")";
    }
    ::close(fd);
    return {};
}

bool EnsureStoreWritable() { return StoreProblem(true).empty(); }

StoreStatus LoadStore(StoreData& data, std::size_t* bytes)
{
    data.keys.clear();
    if (bytes) {
        *bytes = 0;
    }
    if (!MakePrivateFolder(StoreFolder(), false)) {
        return errno == ENOENT ? StoreStatus::Ok : StoreStatus::Refused;
    }
    std::string why;
    std::string text;
    switch (ReadStore(data, &why, &text)) {
    case Loaded::Ok:
    case Loaded::Empty:
        if (bytes) {
            *bytes = text.size();
        }
        return StoreStatus::Ok;
    case Loaded::Unreadable:
        return StoreStatus::Refused;
    case Loaded::Damaged:
        break;
    }
    if (::access(StoreFolder().c_str(), W_OK) != 0) {
        std::fprintf(stderr, "tapvox: the settings store %s is damaged (%s); defaults used\n", StorePath().c_str(),
                     why.c_str());
        return StoreStatus::Ok;
    }
    StoreLock lock;
    if (!lock.locked()) {
        data.keys.clear();
        return StoreStatus::Ok;
    }
    const Loaded again = ReadStore(data, &why, &text);
    if (again == Loaded::Damaged) {
        SetAside(why);
    } else if (bytes) {
        *bytes = text.size();
    }
    return again == Loaded::Unreadable ? StoreStatus::Refused : StoreStatus::Ok;
}

StoreStatus UpdateStore(const std::function<void(StoreData&)>& change)
{
    if (!EnsureStoreWritable()) {
        return StoreStatus::Refused;
    }
    StoreLock lock;
    if (!lock.locked()) {
        return lock.failure();
    }
    const StoreTarget target = FindStoreTarget(true);
    if (!target.problem.empty()) {
        return StoreStatus::Refused;
    }
    RemoveStaleTempFiles(target.path);
    StoreData data;
    std::string why;
    std::string original;
    switch (ReadStore(data, &why, &original)) {
    case Loaded::Unreadable:
        return StoreStatus::Refused;  // never replace a file we could not read
    case Loaded::Damaged:
        SetAside(why);
        original.clear();
        break;
    case Loaded::Ok:
    case Loaded::Empty:
        break;
    }
    change(data);
    const std::string updated = FormatStore(data);
    // A store past the read limit would be called damaged at the next load:
    // the change is refused and the file stays as it is.
    if (updated.size() > kMaxStoreBytes) {
        return StoreStatus::TooLarge;
    }
    // Saving unchanged settings (every close does) costs no rewrite.
    if (updated == original) {
        return StoreStatus::Ok;
    }
    // A link's target is replaced beside itself, so the link goes on naming the store.
    return WriteFileAtomically(target.path, updated, 0600, FileMode::Force) ? StoreStatus::Ok : StoreStatus::Failed;
}

bool EnsureAutostartFolder() { return MakeFolderPath(AutostartFolder()); }

bool ReadAutostartEntry(const std::string& name, std::string& command)
{
    if (!ValidEntryName(name)) {
        return false;
    }
    std::string text;
    if (ReadWholeFile(EntryPath(name), text, 1 << 20) != FileReadResult::Ok) {
        return false;
    }
    bool inEntry = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
        } else if (inEntry && line.rfind("Exec=", 0) == 0) {
            command = UnescapeEntryValue(line.substr(5));
            return true;
        }
    }
    return false;
}

bool WriteAutostartEntry(const std::string& name, const std::string& command)
{
    if (!ValidEntryName(name) || !EnsureAutostartFolder()) {
        return false;
    }
    const std::string text = "[Desktop Entry]\nType=Application\nName=" + EscapeEntryValue(name) +
                             "\nExec=" + EscapeEntryValue(command) + "\nX-GNOME-Autostart-enabled=true\n";
    return WriteFileAtomically(EntryPath(name), text, 0644);
}

bool RemoveAutostartEntry(const std::string& name)
{
    return ValidEntryName(name) && ::unlink(EntryPath(name).c_str()) == 0;
}
}
