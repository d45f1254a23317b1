// Default slots of the abstract recording file; a name that cannot be made absolute leaves the file nameless.
#include "files/MediaFile.h"

#include "platform/core/Path.h"
#include "platform/kernel/Files.h"

MediaFile::MediaFile(const char* fileName)
{
    SetName(fileName);
}

MediaFile::~MediaFile() = default;

bool MediaFile::update() { return true; }
bool MediaFile::close() { return true; }
DWORD MediaFile::GetBytesPerSecond() { return 0; }
int MediaFile::GetFileType() { return 0; }
LONG MediaFile::WriteSamples(const short*, LONG) { return 0; }
LONG MediaFile::ReadSamples(short*, LONG) { return 0; }
char* MediaFile::GetInfo(const char*) { return nullptr; }
bool MediaFile::SetInfo(const char*, const char*) { return false; }
void MediaFile::SetOverwrite(bool flag) { overwrite = flag; }
bool MediaFile::GetOverwrite() { return overwrite; }
bool MediaFile::CanOverwrite() { return true; }
void MediaFile::AddSampleCount(DWORD) {}
int MediaFile::GetOpenError() { return openError; }

void MediaFile::SetName(const char* fileName)
{
    if (!fileName || !*fileName) {
        name.clear();
        return;
    }
    char full[MAX_PATH];
    const DWORD n = GetFullPathNameA(fileName, MAX_PATH, full, nullptr);
    name = (n > 0 && n < MAX_PATH) ? std::string(full, n) : std::string();
}

const char* MediaFile::GetShortName() const
{
    const std::size_t sep = platform::LastSeparator(name);
    return sep == std::string::npos ? name.c_str() : name.c_str() + sep + 1;
}

void MediaFile::Error(const char*, const char*, int) {}
