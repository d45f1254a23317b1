// TAppDialog: naming new recordings from the pattern, creating or opening the
// recording file, the two formats the engine works with, and the caption.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>

#include "app/FormatBuffers.h"
#include "files/FileNames.h"
#include "files/FileType.h"
#include "files/Mp3File.h"
#include "files/OggVorbisFile.h"
#include "files/WaveFile.h"
#include "platform/core/Path.h"
#include "platform/core/Strings.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/SafeOpen.h"
#include "platform/user/MessageBox.h"
#include "recorder/AppDialog.h"
#include "settings/CodecDrivers.h"
#include "settings/FileSettings.h"
#include "settings/Mp3Settings.h"
#include "settings/PatternTime.h"
#include "settings/VorbisSettings.h"
#include "settings/WaveSettings.h"

namespace {
constexpr const char* kProduct = "Tapvox";

// A base name is a number pattern when it holds exactly one integer field (%d, %i
// or %u with flags and a width) and no other "%": the field, as a format of its
// own, is then the only text ever given to printf.
bool FindNumberField(const std::string& base, std::size_t* at, std::size_t* length, std::string* spec)
{
    const std::size_t first = base.find('%');
    if (first == std::string::npos || base.find('%', first + 1) != std::string::npos) {
        return false;
    }
    std::size_t i = first + 1;
    while (i < base.size() && std::strchr("-+ 0#", base[i])) {
        ++i;
    }
    std::size_t digits = 0;
    while (i < base.size() && base[i] >= '0' && base[i] <= '9' && digits < 3) {
        ++i;
        ++digits;
    }
    if (i >= base.size() || !std::strchr("diu", base[i])) {
        return false;
    }
    *at = first;
    *length = i + 1 - first;
    *spec = base.substr(first, *length);
    return true;
}

std::string Extension(const char* extension)
{
    if (!extension || !*extension) {
        return ".wav";
    }
    return extension[0] == '.' ? std::string(extension) : "." + std::string(extension);
}

// The last four characters of a name, when it has more than minLength.
std::string Ending(const char* name, std::size_t minLength)
{
    if (!name) {
        return "";
    }
    const std::size_t n = std::strlen(name);
    return n > minLength ? std::string(name + n - 4) : std::string();
}

bool CopyRecordFits(const WAVEFORMATEX* source, std::size_t capacity)
{
    return source && WaveFormatSize(*source) <= capacity;
}

std::string FormatWithName(const char* textWithOneName, const char* name)
{
    char text[1024];
    std::snprintf(text, sizeof text, textWithOneName, name ? name : "");
    return text;
}
}

bool TAppDialog::CheckDefaultDirectory()
{
    int state = 0;
    if (!SetCurrentDirectoryA(DefaultDirectory)) {
        state = 1;
    } else if (!IsDirectoryWritable(DefaultDirectory)) {
        state = 2;
    }
    directoryText->SetText(state == 1 ? "Default directory does not exist!"
                           : state == 2 ? "Default directory is write-protected"
                                        : "");
    return state == 0;
}

bool TAppDialog::MakeRecordFileName(const char* pattern, char* out, bool temporary, int fileType)
{
    const char* extension = fileType == FileTypeMp3 ? ".mp3" : fileType == FileTypeOgg ? ".ogg" : fileType == 4 ? ".vox" : ".wav";
    return BuildFileName(pattern, out, temporary, extension);
}

bool TAppDialog::BuildFileName(const char* pattern, char* out, bool temporary, const char* extension)
{
    std::string base;
    if (temporary) {
        base = "~rec";
    } else if (!pattern || !*pattern) {
        base = "rec";
    } else if ((AutoName && !AutoPrompt) || std::strcmp(pattern, "%") == 0) {
        // The expansion the pattern dialog shows its example with; a pattern it
        // cannot expand names the file as it stands, as it does with the prompt on.
        const std::time_t now = static_cast<std::time_t>(_time64(nullptr));
        std::tm local{};
        if (!localtime_r(&now, &local) || !ExpandPatternTime(pattern, local, MAX_PATH - 1, &base)) {
            base = pattern;
        }
    } else {
        base = pattern;
    }
    const std::string ext = Extension(extension);

    std::string folder;
    if (CheckDefaultDirectory()) {
        folder = DefaultDirectory;
    } else {
        char temp[MAX_PATH] = "";
        if (GetTempPathA(sizeof temp, temp) != 0 && SetCurrentDirectoryA(temp)) {
            folder = temp;
        } else {
            char program[MAX_PATH] = "";
            GetModuleFileNameA(nullptr, program, sizeof program);
            folder = std::string(platform::FolderPart(program));
            SetCurrentDirectoryA(folder.c_str());
        }
    }
    if (folder.empty() || !platform::IsSeparator(folder.back())) {
        folder += '/';
    }

    std::string name;
    std::size_t at = 0;
    std::size_t length = 0;
    std::string spec;
    if (FindNumberField(base, &at, &length, &spec)) {
        for (int n = 1; n <= 999; ++n) {
            char number[64];
            std::snprintf(number, sizeof number, spec.c_str(), n);
            name = folder + base.substr(0, at) + number + base.substr(at + length) + ext;
            if (!platform::NameExists(name)) {
                break;
            }
        }
    } else if ((LHMode & 1) && !platform::NameExists(folder + base + ext)) {
        name = folder + base + ext;
    } else {
        for (int n = 1; n <= 9999; ++n) {
            name = folder + base + "_" + std::to_string(n) + ext;
            if (!platform::NameExists(name)) {
                break;
            }
        }
    }
    platform::CopyBounded(out, MAX_PATH, name);
    return true;
}

MediaFile* TAppDialog::OpenMediaFile(const char* name, const WAVEFORMATEX* format, DWORD openFlags, int fileType)
{
    char made[MAX_PATH] = "";
    if (!name || !*name) {
        MakeRecordFileName(nullptr, made, true, fileType);
        name = made;
    }
    const std::string ending = Ending(name, 3);
    if (!ending.empty()) {
        fileType = EqualsNoCase(ending, ".mp3") ? FileTypeMp3
                   : EqualsNoCase(ending, ".ogg") || EqualsNoCase(ending, ".oga") ? FileTypeOgg
                                                                                   : FileTypeWave;
    }
    MediaFile* file = nullptr;
    if (fileType == FileTypeMp3) {
        file = new Mp3File(name, format, openFlags);
    } else if (fileType == FileTypeOgg) {
        file = new OggVorbisFile(name, format, VorQ, openFlags);
    } else {
        file = new WaveFile(name, format, openFlags);
    }
    if (auto* rf = dynamic_cast<RecFile*>(file)) {
        rf->open();
    }
    return file;
}

bool TAppDialog::DeviceFormatUsable() const
{
    return deviceFormat.nChannels >= 1 && deviceFormat.nSamplesPerSec > 0 && deviceFormat.nBlockAlign > 0 &&
           deviceFormat.nAvgBytesPerSec > 0;
}

bool TAppDialog::CopyFormat(const WAVEFORMATEX* source)
{
    if (!CopyRecordFits(source, fileFormatBuffer.size())) {
        return false;
    }
    std::memcpy(fileFormatBuffer.data(), source, WaveFormatSize(*source));
    return true;
}

bool TAppDialog::SetUpNewFileFormats(int fileType)
{
    CodecText("");
    if (fileType == FileTypeMp3) {
        const WORD channels = Mp3Stereo ? 2 : 1;
        deviceFormat = MakePcmFormat(channels, static_cast<DWORD>(Mp3SampleRate), 16);
        *fileFormat = deviceFormat;
        fileFormat->wFormatTag = WAVE_FORMAT_MPEGLAYER3;
        if (!CopyRecordFits(Mp3FormatBuffer, std::min(fileFormatBuffer.size(), FormatBufferBytes())) ||
            !CopyFormat(Mp3FormatBuffer)) {
            ShowOpenError(2, CurrentFileName);
            return false;
        }
        if (!AcmEnabled()) {
            ShowMessage(3172, MB_OK | MB_ICONEXCLAMATION);
            return false;
        }
        if (!acmopen(false, ModeEncode) && !acmopen(true, ModeEncode)) {
            return false;
        }
        CloseAcmStream();
        return true;
    }
    if (fileType == FileTypeOgg) {
        const WORD channels = VorStereo ? 2 : 1;
        deviceFormat = MakePcmFormat(channels, static_cast<DWORD>(VorSampleRate), 16);
        *fileFormat = WAVEFORMATEX{WAVE_FORMAT_OGG_VORBIS, channels, static_cast<DWORD>(VorSampleRate), 0, 1, 16, 0};
        CodecText("Vorbis");
        return true;
    }
    const WORD channels = Stereo ? 2 : 1;
    deviceFormat = MakePcmFormat(channels, static_cast<DWORD>(SampleRate), Resolution ? 16 : 8);
    *fileFormat = deviceFormat;
    const bool compressed = ACMDriver[0] && lstrcmpiA(ACMDriver, "No compression") != 0;
    // Without the compression manager a compressed setting cannot be honoured; PCM records all the same.
    if (compressed && AcmEnabled()) {
        fileFormat->wFormatTag = ACMFormatTag;
        if (!CopyRecordFits(RecordFormatBuffer, std::min(fileFormatBuffer.size(), FormatBufferBytes())) ||
            !CopyFormat(RecordFormatBuffer)) {
            ShowOpenError(2, CurrentFileName);
            return false;
        }
        if (!acmopen(true, ModeEncode)) {
            return false;
        }
        CloseAcmStream();
        return true;
    }
    fileFormat->cbSize = 0;
    if (AcmEnabled()) {
        CodecText("PCM    ");
    }
    CloseAcmStream();
    return true;
}

bool TAppDialog::FileFormatUsable(int fileType) const
{
    if (fileFormat->nSamplesPerSec == 0 || fileFormat->nChannels == 0) {
        return false;
    }
    // Ogg Vorbis positions count samples; every other file divides by its byte rate and blocks.
    return fileType == FileTypeOgg || (fileFormat->nAvgBytesPerSec != 0 && fileFormat->nBlockAlign != 0);
}

void TAppDialog::ShowOpenError(int error, const char* name)
{
    const char* text = error == 2   ? "Cannot read audio format for this file.\n   %s"
                       : error == 3 ? "Cannot open system codec needed for file:\n   %s"
                       : error == 4 ? "System codec not able to handle bit-rate or format for this file:\n   %s"
                                    : nullptr;
    const std::string shown = FormatWithName(text ? text : MessageText(3159).c_str(), name);
    MessageBox(shown.c_str(), kProduct, MB_OK | MB_ICONEXCLAMATION);
}

bool TAppDialog::openfile(const char* name, int fileType)
{
    std::string given = name ? name : "";
    if (currentFile) {
        stop();
        savefile(nullptr, true);
    }
    if (fileType < 0) {
        fileType = DefaultAudioFormat;
    }
    const std::string ending = Ending(given.c_str(), 4);
    if (EqualsNoCase(ending, ".mp3")) {
        fileType = FileTypeMp3;
    } else if (EqualsNoCase(ending, ".wav")) {
        fileType = FileTypeWave;
    } else if (EqualsNoCase(ending, ".ogg") || EqualsNoCase(ending, ".oga")) {
        fileType = FileTypeOgg;
    }
    ForgetCurrentFile();
    madeNew = madeFromEmpty = false;

    bool generated = false;
    if (given.empty()) {
        if (AutoName && !AutoPrompt) {
            MakeRecordFileName(ImprovedFilePrefix, CurrentFileName, false, fileType);
        } else {
            MakeRecordFileName(nullptr, CurrentFileName, true, fileType);
            generated = true;
        }
    } else {
        platform::CopyBounded(CurrentFileName, sizeof CurrentFileName, given);
    }

    const bool exists = platform::NameExists(CurrentFileName);
    if (exists && generated) {
        // Every instance name is taken: a new file under it would replace a recording.
        ShowOpenError(1, CurrentFileName);
        UpdateCaption(nullptr, false);
        return false;
    }
    // An empty file holds no recording to append to (a take killed before its first
    // frames leaves one): it becomes a new recording of its type.
    const bool empty = exists && !generated && platform::IsEmptyRegularFile(CurrentFileName);
    MediaFile* file = nullptr;
    if (!exists || generated || empty) {
        CreateDirectoryPath(CurrentFileName);
        creatingFile = true;
        const bool formats = SetUpNewFileFormats(fileType) && DeviceFormatUsable() && FileFormatUsable(fileType);
        creatingFile = false;
        if (!formats) {
            if (!DeviceFormatUsable() || !FileFormatUsable(fileType)) {
                ShowMessage(3400, MB_OK | MB_ICONEXCLAMATION);
            }
            return DropFileAfterFailure();
        }
        file = OpenMediaFile(CurrentFileName, fileFormat, MMIO_CREATE | MMIO_READWRITE, FileTypeWave);
        file->SetTempName(generated);
        madeNew = true;
        madeFromEmpty = empty;
    } else {
        file = OpenMediaFile(CurrentFileName, nullptr, MMIO_READWRITE, FileTypeWave);
    }
    currentFile = file;

    if (!file->IsOpen()) {
        ShowOpenError(file->GetOpenError(), CurrentFileName);
        ForgetCurrentFile();
        UpdateCaption(nullptr, false);
        ShowFileSize();
        ShowDiskSpace();
        return false;
    }
    if (exists && !generated && !empty) {
        const int type = file->GetFileType();
        if (!CopyFormat(file->GetFormat()) || !FileFormatUsable(type)) {
            ShowOpenError(2, CurrentFileName);
            file->SetTempName(false);
            return DropFileAfterFailure();
        }
        const WORD bits = fileFormat->wFormatTag == WAVE_FORMAT_PCM ? fileFormat->wBitsPerSample : 16;
        deviceFormat = MakePcmFormat(fileFormat->nChannels, fileFormat->nSamplesPerSec, bits);
        CodecText("");
        if (type == FileTypeOgg) {
            CodecText("Vorbis");
        } else if (fileFormat->wFormatTag == WAVE_FORMAT_PCM) {
            if (AcmEnabled()) {
                CodecText("PCM    ");
            }
        } else if (!acmopen(false, ModeEncode)) {
            ShowMessage(3145, MB_OK | MB_ICONEXCLAMATION);
            return DropFileAfterFailure();
        }
    }
    ShowFormatText();
    ShowFileSize();
    position(0, true);
    ShowDiskSpace();
    UpdateCaption(CurrentFileName, generated);
    if (file->IsReadOnly()) {
        // The caption's " R" is all a desktop shows; without one the user reads it here.
        const std::string text = std::string(CurrentFileName) + " is open read-only: " + ReadOnlyReason() + ".";
        ShowNotice(text.c_str(), kProduct);
    }
    return true;
}

std::string TAppDialog::ReadOnlyReason() const
{
    switch (currentFile ? platform::WhyNotWritable(currentFile->GetName()) : platform::WriteRefusal::Missing) {
    case platform::WriteRefusal::Link: return "it is a symbolic link, and no recording is written through a link";
    case platform::WriteRefusal::NoPermission: return "its permissions do not let it be written";
    case platform::WriteRefusal::ReadOnlyFileSystem: return "it lies on a read-only file system";
    case platform::WriteRefusal::InUse: return "another program is recording into it or keeps it from being written";
    case platform::WriteRefusal::None: return "it was opened read-only";
    default: return "it cannot be opened for writing";
    }
}

void TAppDialog::DropEmptyNewFile()
{
    // Only what this program made for the take, and only while no audio reached it.
    if (!currentFile || !madeNew || currentFile->IsReadOnly() || currentFile->GetDataSize() != 0) {
        return;
    }
    const std::string name = currentFile->GetName();
    if (madeFromEmpty) {
        // The user's empty file is left as it was found: empty.
        delete currentFile;
        currentFile = nullptr;
        const int fd = platform::OpenRegularForUpdate(name);
        if (fd >= 0) {
            if (ftruncate(fd, 0) != 0) {
                Warning("Can't empty the file of a recording that did not start.");
            }
            ::close(fd);
        }
    } else {
        currentFile->Delete();
        delete currentFile;
        currentFile = nullptr;
    }
    madeNew = madeFromEmpty = false;
    UpdateCaption(nullptr, false);
    ShowFileSize();
    ShowFormatText();
}

void TAppDialog::ForgetCurrentFile()
{
    if (!currentFile) {
        return;
    }
    // Only a file without audio may go with its object; a recording stays on disk.
    if (currentFile->GetDataSize() > 0) {
        currentFile->SetTempName(false);
    }
    delete currentFile;
    currentFile = nullptr;
}

bool TAppDialog::DropFileAfterFailure()
{
    ForgetCurrentFile();
    UpdateCaption("", false);
    return false;
}

void TAppDialog::CodecText(const char* text) { SetDlgItemText(218, text); }

void TAppDialog::ShowFormatText()
{
    if (!currentFile) {
        formatText->SetText("");
        return;
    }
    const WAVEFORMATEX& f = *fileFormat;
    char text[128];
    int n = f.nSamplesPerSec < 1000 ? std::snprintf(text, sizeof text, "%uHz", f.nSamplesPerSec)
                                    : std::snprintf(text, sizeof text, "%ukHz", f.nSamplesPerSec / 1000);
    if (f.wFormatTag == WAVE_FORMAT_PCM) {
        n += std::snprintf(text + n, sizeof text - n, f.wBitsPerSample == 8 ? " 8 bit" : " 16 bit");
    }
    if (f.nChannels == 2) {
        n += std::snprintf(text + n, sizeof text - n, " ST");
    }
    std::snprintf(text + n, sizeof text - n, " %ukbps", static_cast<unsigned>(std::uint64_t(f.nAvgBytesPerSec) * 8 / 1000));
    formatText->SetText(text);
}

std::string TAppDialog::FrameCaption() const
{
    return Parent ? Parent->GetWindowText() : std::string();
}

void TAppDialog::SetFrameCaption(const char* text)
{
    if (Parent && Parent->GetHandle()) {
        Parent->SetWindowText(text);
    }
}

void TAppDialog::UpdateCaption(const char* name, bool bracket)
{
    const std::string present = FrameCaption();
    const std::size_t at = present.find(kProduct);
    const std::string product = at == std::string::npos ? std::string(kProduct) : present.substr(at);
    std::string shown;
    if (currentFile || (name && *name)) {
        const std::string full = currentFile ? currentFile->GetName() : name;
        const bool inBrackets = currentFile ? currentFile->HasTempName() : bracket;
        const std::string shortName(platform::FileNamePart(full));
        shown = inBrackets ? "[" + shortName + "]" : shortName;
        if (currentFile && currentFile->IsReadOnly()) {
            shown += " R";
        }
        shown += " " + product;
    } else {
        shown = product;
    }
    SetFrameCaption(shown.c_str());
}
