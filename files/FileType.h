#pragma once
// File-type codes of commands, settings and files.

enum FileType : int {
    FileTypeDefault = -1,
    FileTypeWave = 0,
    FileTypeMp3 = 1,
    FileTypeWmv = 2,  // known by name only; no file class handles it
    FileTypeOgg = 3,
};

// -1 for a null name; by the text after the last ".": mp3 1, ogg/oga 3,
// wmv/asf/wma 2, anything else (or no ".") 0.
int GetFileTypeFromName(const char* name);
// "mp3", "wmv", "ogg", else "wav".
const char* FileTypeName(int type);
