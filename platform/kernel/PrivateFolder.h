#pragma once
// Folders only the user can reach: the temp folder and the settings store's
// folder live in one, so no other user can plant or link the names made there.
#include <string>

namespace platform {
// Makes the missing levels of path as mkdir -p does (mode 0700); true when
// path is a folder (links in the path are followed).
bool MakeFolderPath(const std::string& path);

// True when path is a real folder (not a link) owned by the effective user;
// a looser mode of such a folder is cut back to 0700. With create, a missing
// folder is made first; otherwise a missing one gives false with ENOENT.
// Any other owner or kind gives false with EACCES.
bool MakePrivateFolder(const std::string& path, bool create = true);
}
