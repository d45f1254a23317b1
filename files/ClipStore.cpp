// The process-wide clip store and the clip files the operations make.
#include <string>

#include "files/ClipEdit.h"
#include "files/FileNames.h"
#include "files/FileType.h"
#include "files/Mp3File.h"
#include "files/OggVorbisFile.h"
#include "files/WaveFile.h"
#include "platform/kernel/Files.h"

namespace {
MediaFile* g_clip = nullptr;

// Managed bitrate at the format's rate: a clip keeps the bitrate of its recording.
constexpr int kClipVorbisQuality = -10;
}

MediaFile* ClipStore() { return g_clip; }

void ReplaceClipStore(MediaFile* clip)
{
    if (g_clip == clip) {
        return;
    }
    MediaFile* old = g_clip;
    g_clip = clip;
    if (!old) {
        return;
    }
    // By name once the object is gone: a clip read from a pasted file is open
    // read-only, which Delete refuses.
    const std::string temporary = old->HasTempName() ? old->GetName() : "";
    delete old;
    if (!temporary.empty()) {
        DeleteFileA(temporary.c_str());
    }
}

MediaFile* CreateClipFile(const char* name, const WAVEFORMATEX* format, DWORD openFlags, int type)
{
    char temp[MAX_PATH] = "";
    if (name && *name) {
        type = GetFileTypeFromName(name);
    } else {
        char folder[MAX_PATH];
        if (!GetTempFolder(sizeof folder, folder)) {
            return nullptr;
        }
        MakeUniqueFileName("~rec", FileTypeName(type), temp, true, folder);
        name = temp;
    }
    RecFile* file = nullptr;
    switch (type) {
    case FileTypeMp3: file = new Mp3File(name, format, openFlags); break;
    case FileTypeOgg: file = new OggVorbisFile(name, format, kClipVorbisQuality, openFlags); break;
    case FileTypeWave: file = new WaveFile(name, format, openFlags); break;
    default: return nullptr;
    }
    file->open();
    if (*temp) {
        // A name of our own making: the file goes when the clip is dropped.
        file->SetTempName(true);
    }
    return file;
}
