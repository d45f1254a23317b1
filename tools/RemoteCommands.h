#pragma once
// The commands of tapvox-remote: each is one remote-control message that the
// recorder's frame passes on to its main window when wParam is 33.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/user/Messages.h"

namespace remote {
// The numbers the recorder's frame accepts from outside.
constexpr UINT kSeek = WM_USER + 78;
constexpr UINT kStop = WM_USER + 79;
constexpr UINT kStopAndSave = WM_USER + 94;
constexpr UINT kStopAndPlay = WM_USER + 97;
constexpr UINT kStopAndRecord = WM_USER + 98;
constexpr WPARAM kRemoteWParam = 33;

struct Request {
    UINT message = 0;
    WPARAM wParam = kRemoteWParam;
    std::int32_t lParam = 0;
};

struct Parsed {
    bool help = false;
    Request request;
    std::string error;  // non-empty: bad usage, and what was wrong
};

// The arguments after the program's name.
Parsed ParseArguments(const std::vector<std::string>& args);
std::string HelpText();
// Sends to the running recorder; false with the reason in *error.
bool Send(const Request& request, std::string* error);
}
