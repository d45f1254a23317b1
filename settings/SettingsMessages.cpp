// The one place save-all's two failures pass through on their way to the message base's box.
#include "settings/SettingsMessages.h"

#include <cstdio>

namespace {
std::function<void(int)>& Handler()
{
    static std::function<void(int)> handler;
    return handler;
}

std::function<void(const std::string&)>& ProblemHandler()
{
    static std::function<void(const std::string&)> handler;
    return handler;
}
}

const char* SettingsMessageText(int id)
{
    switch (id) {
    case kMsgCantSaveLevel:
        return "Can't save level subkey.\nProgram settings will not be saved. \n(savesettings)";
    case kMsgIniWriteFailed:
        return "File write not successful.\n Program settings will not be saved. \n(savesettings)";
    default:
        return "";
    }
}

void ShowSettingsMessage(int id)
{
    if (Handler()) {
        Handler()(id);
    } else {
        std::fprintf(stderr, "Tapvox: %s\n", SettingsMessageText(id));
    }
}

void SetSettingsMessageHandler(std::function<void(int id)> handler) { Handler() = std::move(handler); }

void ShowSettingsProblem(const std::string& text)
{
    if (ProblemHandler()) {
        ProblemHandler()(text);
    } else {
        std::fprintf(stderr, "Tapvox: %s\n", text.c_str());
    }
}

void SetSettingsProblemHandler(std::function<void(const std::string& text)> handler)
{
    ProblemHandler() = std::move(handler);
}
