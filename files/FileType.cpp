// File types from a name's extension (none or an unknown one is WAV) and the extension of each type.
#include "files/FileType.h"

#include <cstring>

#include "platform/core/Strings.h"

int GetFileTypeFromName(const char* name)
{
    if (!name) {
        return FileTypeDefault;
    }
    const char* dot = std::strrchr(name, '.');
    if (!dot) {
        return FileTypeWave;
    }
    const char* ext = dot + 1;
    if (lstrcmpiA(ext, "mp3") == 0) {
        return FileTypeMp3;
    }
    if (lstrcmpiA(ext, "ogg") == 0 || lstrcmpiA(ext, "oga") == 0) {
        return FileTypeOgg;
    }
    if (lstrcmpiA(ext, "wmv") == 0 || lstrcmpiA(ext, "asf") == 0 || lstrcmpiA(ext, "wma") == 0) {
        return FileTypeWmv;
    }
    return FileTypeWave;
}

const char* FileTypeName(int type)
{
    switch (type) {
    case FileTypeMp3:
        return "mp3";
    case FileTypeWmv:
        return "wmv";
    case FileTypeOgg:
        return "ogg";
    default:
        return "wav";
    }
}
