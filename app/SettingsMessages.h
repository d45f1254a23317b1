#pragma once
// The two failures save-all reports (3501 registry, 3502 INI file). They pass
// through this one function so the message base can show them in its box.
#include <functional>

constexpr int kMsgCantSaveLevel = 3501;
constexpr int kMsgIniWriteFailed = 3502;

const char* SettingsMessageText(int id);
void ShowSettingsMessage(int id);
// Replaces where the messages go (null: standard error).
void SetSettingsMessageHandler(std::function<void(int id)> handler);
