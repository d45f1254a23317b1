#pragma once
// CShortcut: shell shortcuts to a program in the user's special folders, here
// desktop entries (".desktop"): the desktop, the launcher menu (the start menu
// and Quick Launch of the design) and autostart.
#include "platform/shell/SpecialFolders.h"

// The Quick Launch folder of the design: the launcher menu here.
constexpr int kQuickLaunchFolder = 2457;

class CShortcut {
public:
    CShortcut() = default;
    virtual ~CShortcut() = default;

    // out (MAX_PATH characters) = the folder of the id, with a trailing "/"; the folder is made when missing.
    bool FolderPath(int folderId, char* out);
    // target "_this" (any case): the program itself. name: the entry's file name without ".desktop".
    bool Create(const char* target, const char* name, int folderId, const char* description, const char* iconPath,
                int iconIndex);
    // Neither Delete nor ReadTarget makes a missing folder.
    bool Delete(const char* name, int folderId);
    // outPath and outDescription hold MAX_PATH characters; S_OK when the entry was read.
    HRESULT ReadTarget(const char* name, int folderId, HWND window, char* outPath, char* outDescription);
    // The length of the full path written to out (MAX_PATH characters), or 0.
    DWORD FullPath(const char* file, char* out);
};
