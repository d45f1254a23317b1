#pragma once
// The program's switches and its file argument, read once at start-up.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Types.h"

struct TCommandLine {
    bool NoCompression = false;    // D
    bool ListenAtStart = false;    // L
    bool MinimiseAtStart = false;  // M
    HWND NotifyWindow = nullptr;   // N: a published window of another process, else none
    bool PlayAtStart = false;      // P
    long NoBlockRounding = 0;      // Q
    bool RunHidden = false;        // R
    bool SuggestedFormats = false; // S
    bool Unused = false;           // U: accepted, no effect
    std::string WValue;            // W: accepted, no effect
    std::string FileToOpen;        // the first bare argument, made absolute
    // A file argument too long to open: reported, and nothing is opened.
    std::string TooLongName;
};

// The longest path the program's file-name buffers hold.
constexpr std::size_t kMaxPathText = 259;

// args: the arguments after the program's name. Relative file names are made
// absolute against the current folder now, before the settings move it.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);
std::string CommandLineHelp();
