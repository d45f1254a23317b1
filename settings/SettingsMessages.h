#pragma once
// The two failures save-all reports (3501 registry, 3502 INI file), and the
// settings store that cannot be used. They pass through here so the message
// base can show them in its box.
#include <functional>
#include <string>

constexpr int kMsgCantSaveLevel = 3501;
constexpr int kMsgIniWriteFailed = 3502;

const char* SettingsMessageText(int id);
void ShowSettingsMessage(int id);
// Replaces where the messages go (null: standard error).
void SetSettingsMessageHandler(std::function<void(int id)> handler);

// A store that cannot be read or saved, in words.
void ShowSettingsProblem(const std::string& text);
// Replaces where those go (null: standard error).
void SetSettingsProblemHandler(std::function<void(const std::string& text)> handler);
