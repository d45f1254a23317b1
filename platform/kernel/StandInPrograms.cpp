// Splitting command lines and finding the programs that stand in for the Windows sound programs.
#include "platform/kernel/StandInPrograms.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/core/Strings.h"

namespace {
std::vector<std::string> Words(const char* text)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char* p = text; p && *p; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((*p == ' ' || *p == '\t') && !quoted) {
            if (inWord) {
                words.push_back(word);
            }
            word.clear();
            inWord = false;
        } else {
            word += *p;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

bool IsProgram(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The program's path, or empty when it is not installed.
std::string Find(const std::string& name)
{
    if (name.empty()) {
        return {};
    }
    if (name.find('/') != std::string::npos) {
        return IsProgram(name) ? name : std::string();
    }
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = dirs.find(':', start);
        std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty()) {
            const std::string candidate = dir + "/" + name;
            if (IsProgram(candidate)) {
                return candidate;
            }
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return {};
}

std::string Lower(std::string s)
{
    for (char& c : s) {
        c = platform::LowerAscii(c);
    }
    return s;
}

// The sound settings program's tab for a Windows sound command, 0 when the command is none of them:
// 1 playback streams, 2 recording streams, 3 output devices, 4 input devices.
int SoundTab(const std::vector<std::string>& words)
{
    std::string program = Lower(words[0]);
    const std::size_t slash = program.find_last_of("\\/");
    program = slash == std::string::npos ? program : program.substr(slash + 1);
    std::string rest;
    for (std::size_t i = 1; i < words.size(); ++i) {
        rest += Lower(words[i]) + " ";
    }
    if (program == "sndvol.exe" || program == "sndvol32.exe") {
        if (rest.find("/r") != std::string::npos) {
            return 2;
        }
        return rest.empty() ? 1 : 3;
    }
    if (program == "control.exe" && rest.find("mmsys.cpl") != std::string::npos) {
        return rest.find(",,1") != std::string::npos ? 4 : 3;
    }
    return 0;
}
}

namespace platform {
std::vector<std::string> StandInCommand(const char* commandLine)
{
    std::vector<std::string> words = Words(commandLine);
    if (words.empty()) {
        return {};
    }
    if (const int tab = SoundTab(words)) {
        if (std::string mixer = Find("pavucontrol"); !mixer.empty()) {
            return {mixer, "--tab=" + std::to_string(tab)};
        }
        if (std::string settings = Find("gnome-control-center"); !settings.empty()) {
            return {settings, "sound"};
        }
        return {};
    }
    std::string program = Find(words[0]);
    if (program.empty()) {
        return {};
    }
    words[0] = program;
    return words;
}
}
