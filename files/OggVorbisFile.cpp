// Encoding and decoding Ogg Vorbis recordings; an append looks for the encoder set-up that reproduces the file's own.
#include "files/OggVorbisFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>

#include "files/FileNames.h"
#include "files/FileType.h"
#include "files/OggPacketRecord.h"
#include "files/OggStreams.h"
#include "files/VorbisCodec.h"
#include "platform/core/Strings.h"
#include "platform/kernel/Files.h"

namespace {
constexpr long kReadChunk = 4096;

WAVEFORMATEX* FormatIn(BYTE* buffer) { return reinterpret_cast<WAVEFORMATEX*>(buffer); }

// Header packets an encoder set-up produces; used to compare set-ups.
bool SetupHeaderOf(const std::function<int(vorbis_info*)>& init, std::vector<unsigned char>& setup)
{
    vorbis_info vi;
    vorbis_info_init(&vi);
    bool ok = init(&vi) == 0;
    if (ok) {
        vorbis_dsp_state vd{};
        if (vorbis_analysis_init(&vd, &vi) == 0) {
            vorbis_comment vc;
            vorbis_comment_init(&vc);
            ogg_packet id, comment, code;
            ok = vorbis_analysis_headerout(&vd, &vc, &id, &comment, &code) == 0;
            if (ok) {
                setup.assign(code.packet, code.packet + code.bytes);
            }
            vorbis_comment_clear(&vc);
            vorbis_dsp_clear(&vd);
        } else {
            ok = false;
        }
    }
    vorbis_info_clear(&vi);
    return ok;
}
}

OggVorbisFile::OggVorbisFile(const char* fileName, const WAVEFORMATEX* fmt, int q, DWORD flags)
    : OggFile(fileName), quality(q), codec(std::make_unique<VorbisCodec>())
{
    format = FormatIn(formatBuffer);
    if (fmt && WaveFormatSize(*fmt) <= sizeof formatBuffer) {
        std::memcpy(formatBuffer, fmt, WaveFormatSize(*fmt));
    } else {
        *format = WAVEFORMATEX{WAVE_FORMAT_OGG_VORBIS, 1, 8000, 8000, 1, 16, 0};
    }
    DerivePcmFormat();
    openFlags = flags;
    vorbis_info_init(&codec->encoderInfo);
    vorbis_info_init(&codec->decoderInfo);
    vorbis_comment_init(&codec->comment);
}

OggVorbisFile::~OggVorbisFile()
{
    // A close that could not finish still lets the file go; the journal stays.
    if (!close()) {
        ReleaseFile();
    }
    vorbis_comment_clear(&codec->comment);
    vorbis_info_clear(&codec->encoderInfo);
    vorbis_info_clear(&codec->decoderInfo);
}

void OggVorbisFile::DerivePcmFormat()
{
    pcmFormat.wFormatTag = WAVE_FORMAT_PCM;
    pcmFormat.nChannels = format->nChannels;
    pcmFormat.nSamplesPerSec = format->nSamplesPerSec;
    pcmFormat.wBitsPerSample = 16;
    pcmFormat.nBlockAlign = static_cast<WORD>(2 * format->nChannels);
    pcmFormat.nAvgBytesPerSec = pcmFormat.nBlockAlign * format->nSamplesPerSec;
    pcmFormat.cbSize = 0;
}

void OggVorbisFile::ClearCodecStates()
{
    vorbis_block_clear(&codec->encoderBlock);
    vorbis_dsp_clear(&codec->encoderDsp);
    vorbis_block_clear(&codec->decoderBlock);
    vorbis_dsp_clear(&codec->decoderDsp);
    encoderReady = false;
    decoderReady = false;
}

bool OggVorbisFile::IsOpen() { return readStream != nullptr; }
bool OggVorbisFile::Reopen() { return true; }
int OggVorbisFile::GetFileType() { return FileTypeOgg; }
DWORD OggVorbisFile::GetBytesPerSecond() { return format->nAvgBytesPerSec; }
void OggVorbisFile::SetDataSize(DWORD bytes) { storedDataSize = bytes; }

bool OggVorbisFile::update()
{
    if (!IsOpen()) {
        return true;
    }
    const bool text = RecFile::update();
    return FlushPages() && text;
}

DWORD OggVorbisFile::GetPosition()
{
    return (IsOpen() && lastGranule >= 0) ? static_cast<DWORD>(lastGranule) : 0;
}

DWORD OggVorbisFile::GetLength() { return static_cast<DWORD>(highestGranule); }

DWORD OggVorbisFile::GetSeconds(DWORD samples)
{
    if (samples == DWORD(-1)) {
        samples = GetLength();
    }
    if (format->nSamplesPerSec == 0) {
        return 0;
    }
    return samples / format->nSamplesPerSec;
}

DWORD OggVorbisFile::GetDataSize()
{
    if (storedDataSize != 0) {
        return storedDataSize;
    }
    const std::uint64_t length = GetLength();
    if (length == 0 || format->nSamplesPerSec == 0) {
        return 0;
    }
    return static_cast<DWORD>(length * format->nAvgBytesPerSec / format->nSamplesPerSec);
}

DWORD OggVorbisFile::SecondsToPosition(LONG seconds)
{
    const std::int64_t target =
        static_cast<std::int64_t>(GetPosition()) + static_cast<std::int64_t>(seconds) * format->nSamplesPerSec;
    if (target < 0) {
        return 0;
    }
    return static_cast<DWORD>(std::min<std::int64_t>(target, GetLength()));
}

bool OggVorbisFile::SetUpNewEncoder()
{
    vorbis_info* vi = &codec->encoderInfo;
    const int channels = format->nChannels;
    const long rate = static_cast<long>(format->nSamplesPerSec);
    // WriteSamples takes mono or interleaved stereo only.
    if (channels < 1 || channels > 2 || rate < 1) {
        return false;
    }
    bool ok = false;
    if (quality < -4) {
        for (int i = 0; i < 16 && !ok; ++i) {
            ok = vorbis_encode_init(vi, channels, rate, -1, static_cast<long>(format->nAvgBytesPerSec) * 8, -1) == 0;
            if (!ok) {
                vorbis_info_clear(vi);
                vorbis_info_init(vi);
                format->nAvgBytesPerSec *= 2;
            }
        }
    } else {
        format->nAvgBytesPerSec = static_cast<DWORD>(VorbisQualityToBitrate(quality, rate, channels) / 8);
        ok = vorbis_encode_init_vbr(vi, channels, rate, static_cast<float>(quality) * 0.1f) == 0;
    }
    if (!ok || vorbis_analysis_init(&codec->encoderDsp, vi) != 0) {
        return false;
    }
    vorbis_block_init(&codec->encoderDsp, &codec->encoderBlock);
    return true;
}

bool OggVorbisFile::SetUpAppendEncoder()
{
    // Appended packets are decoded with the set-up header already in the
    // file, so the encoder must produce exactly that set-up. The managed
    // bitrate set-up from the file's nominal rate usually does; otherwise the
    // quality the file was probably made with is looked for.
    const int channels = codec->decoderInfo.channels;
    const long rate = codec->decoderInfo.rate;
    if (channels < 1 || channels > 2 || rate < 1 || fileSetupHeader.empty()) {
        return false;
    }
    std::vector<std::function<int(vorbis_info*)>> candidates;
    const long bitrate = static_cast<long>(format->nAvgBytesPerSec) * 8;
    if (bitrate > 0) {
        candidates.push_back([=](vorbis_info* vi) { return vorbis_encode_init(vi, channels, rate, -1, bitrate, -1); });
    }
    std::vector<int> qualities;
    if (quality >= -1 && quality <= 10) {
        qualities.push_back(quality);
    }
    for (int q = 10; q >= -1; --q) {
        if (q != quality) {
            qualities.push_back(q);
        }
    }
    for (int q : qualities) {
        candidates.push_back(
            [=](vorbis_info* vi) { return vorbis_encode_init_vbr(vi, channels, rate, static_cast<float>(q) * 0.1f); });
    }
    for (const auto& init : candidates) {
        std::vector<unsigned char> setup;
        if (!SetupHeaderOf(init, setup) || setup != fileSetupHeader) {
            continue;
        }
        vorbis_info_clear(&codec->encoderInfo);
        vorbis_info_init(&codec->encoderInfo);
        if (init(&codec->encoderInfo) != 0 || vorbis_analysis_init(&codec->encoderDsp, &codec->encoderInfo) != 0) {
            return false;
        }
        vorbis_block_init(&codec->encoderDsp, &codec->encoderBlock);
        return true;
    }
    return false;
}

bool OggVorbisFile::open()
{
    if (readStream) {
        return true;
    }
    lastGranule = highestGranule = granuleOffset = lastWrittenPacket = 0;
    discontinuity = false;
    wroteAudio = false;
    const bool canWrite = (openFlags & 3) != 0;
    if (!NameForOpen()) {
        return false;
    }

    // An existing empty file holds nothing to keep: it is made a new recording.
    if (FileExists(name.c_str()) && !tempName && FileSizeOf(name.c_str()) > 0) {
        if (!OpenStreams("rb", (openFlags & 3) ? "rb+" : nullptr)) {
            CloseStreams();
            openError = 1;
            return false;
        }
        readOnly = writeStream == nullptr;
        encoderActive = false;
        storedDataSize = static_cast<DWORD>(FileSizeOf(name.c_str()));
        fileEnd = static_cast<std::int64_t>(FileSizeOf(name.c_str()));
        Reset(true);
        // A file that is not Ogg Vorbis has no format to play or append with.
        if (!ReadHeaders(true)) {
            CloseStreams();
            openError = 2;
            return false;
        }
        encoderReady = !readOnly && SetUpAppendEncoder();
        // An append decodes the stream's last blocks again: a few long blocks.
        tailSamples = 3 * static_cast<std::int64_t>(std::max(0, vorbis_info_blocksize(&codec->decoderInfo, 1)));
        ReplayPackets(encoderReady);
        if (encoderReady && codec->encoderDsp.granulepos <= 0 && lastGranule != 0) {
            codec->encoderDsp.granulepos = lastGranule;
        }
        Rewind(false);
        interrupted = StreamWasCut();
    } else {
        if (!canWrite || !OpenStreams("rb", "wb+") || !writeStream) {
            CloseStreams();
            openError = 1;
            return false;
        }
        readOnly = false;
        storedDataSize = 0;
        fileEnd = 0;
        interrupted = false;
        if (!SetUpNewEncoder()) {
            // Channels or rate the encoder cannot take: no file is left behind.
            CloseStreams();
            ClearCodecStates();
            RemoveNamedFile();
            openError = 2;
            return false;
        }
        encoderReady = true;
        WriteHeaders();
        encoderActive = true;
        samplesEnd = 0;
    }
    if (vorbis_synthesis_init(&codec->decoderDsp, &codec->decoderInfo) == 0) {
        vorbis_block_init(&codec->decoderDsp, &codec->decoderBlock);
        decoderReady = true;
    }
    // Killed while recording: the journal holds the lists of the session
    // that never reached the file's own text. Read-only, the file's own text
    // is shown and the journal left for later.
    restoreFromJournal = interrupted && !readOnly;
    RecFile::open();
    restoreFromJournal = false;
    if (interrupted && !readOnly) {
        dirty = true;  // the text goes back into the file at close
        std::fprintf(stderr, "Recording was interrupted; its audio was recovered: %s\n", name.c_str());
    }
    return readStream != nullptr;
}

bool OggVorbisFile::WriteHeaders()
{
    commentList.Add("foo", "bar");
    commentList.StoreTo(&codec->comment);
    OggPacket id, comment, setup;
    vorbis_analysis_headerout(&codec->encoderDsp, &codec->comment, &id, &comment, &setup);
    ogg_stream_packetin(&ogg->encode, &id);
    ogg_stream_packetin(&ogg->encode, &comment);
    ogg_stream_packetin(&ogg->encode, &setup);
    vorbis_comment scratch;
    vorbis_comment_init(&scratch);
    vorbis_synthesis_headerin(&codec->decoderInfo, &scratch, &id);
    vorbis_synthesis_headerin(&codec->decoderInfo, &scratch, &comment);
    vorbis_synthesis_headerin(&codec->decoderInfo, &scratch, &setup);
    vorbis_comment_clear(&scratch);
    codec->decoderInfoUsed = true;
    fileSetupHeader.assign(setup.packet, setup.packet + setup.bytes);
    bool ok = true;
    while (ogg_stream_flush(&ogg->encode, &ogg->writePage)) {
        ok = QueuePage(ogg->writePage.header, ogg->writePage.header_len, ogg->writePage.body,
                       ogg->writePage.body_len) &&
             ok;
    }
    return ok;
}

bool OggVorbisFile::ReadHeaders(bool readInfo)
{
    if (!readStream) {
        return false;
    }
    std::fseek(readStream, 0, SEEK_SET);
    std::clearerr(readStream);
    ogg_sync_reset(&ogg->sync);
    ogg_stream_reset(&ogg->decode);
    char* buffer = ogg_sync_buffer(&ogg->sync, kReadChunk);
    const std::size_t n = std::fread(buffer, 1, kReadChunk, readStream);
    ogg_sync_wrote(&ogg->sync, static_cast<long>(n));
    syncOffset = 0;
    int r;
    while ((r = TakePage()) < 0) {
    }
    if (r == 0) {
        return false;
    }
    const int serial = ogg_page_serialno(&ogg->readPage);
    ogg_stream_reset_serialno(&ogg->decode, serial);
    ogg_stream_reset_serialno(&ogg->encode, serial);
    if (ogg_stream_pagein(&ogg->decode, &ogg->readPage) != 0) {
        return false;
    }
    lastReadPage = ogg_page_pageno(&ogg->readPage);
    OggPacket packet;
    if (ogg_stream_packetout(&ogg->decode, &packet) != 1) {
        return false;
    }
    if (readInfo) {
        if (codec->decoderInfoUsed) {
            vorbis_info_clear(&codec->decoderInfo);
            vorbis_info_init(&codec->decoderInfo);
            vorbis_info_clear(&codec->encoderInfo);
            vorbis_info_init(&codec->encoderInfo);
        }
        vorbis_comment_clear(&codec->comment);
        vorbis_comment_init(&codec->comment);
        codec->decoderInfoUsed = true;
        if (vorbis_synthesis_headerin(&codec->decoderInfo, &codec->comment, &packet) != 0) {
            return false;
        }
    }
    for (int i = 0; i < 2; ++i) {
        if (!ReadPacket(&packet)) {
            return false;
        }
        if (readInfo && vorbis_synthesis_headerin(&codec->decoderInfo, &codec->comment, &packet) != 0) {
            return false;
        }
        if (i == 1) {
            fileSetupHeader.assign(packet.packet, packet.packet + packet.bytes);
        }
    }
    if (readInfo) {
        if (codec->comment.comments > 0) {
            commentList.LoadFrom(&codec->comment);
        }
        lastGranule = 0;
        const vorbis_info& vi = codec->decoderInfo;
        if (vi.channels < 1 || vi.channels > 0xFFFF || vi.rate < 1) {
            return false;
        }
        long bitrate = vi.bitrate_nominal;
        if (bitrate <= 0) {
            bitrate = (vi.bitrate_upper > 0 && vi.bitrate_lower > 0) ? (vi.bitrate_upper + vi.bitrate_lower) / 2 : 0;
        }
        format->nChannels = static_cast<WORD>(vi.channels);
        format->nSamplesPerSec = static_cast<DWORD>(vi.rate);
        format->nAvgBytesPerSec = static_cast<DWORD>(bitrate / 8);
        DerivePcmFormat();
    }
    return true;
}

void OggVorbisFile::Rewind(bool both)
{
    Reset(both);
    OggPacket packet;
    for (int i = 0; i < 3; ++i) {
        if (!ReadPacket(&packet)) {
            break;
        }
        if (both) {
            WritePacket(&packet, false);
        }
    }
    lastGranule = 0;
    if (decoderReady) {
        vorbis_synthesis_restart(&codec->decoderDsp);
    }
}

bool OggVorbisFile::position(DWORD target)
{
    if (!IsOpen()) {
        return false;
    }
    if (target == GetPosition()) {
        return true;
    }
    if (target < GetPosition()) {
        Rewind(false);
    } else if (decoderReady) {
        vorbis_synthesis_restart(&codec->decoderDsp);
    }
    if (target == 0) {
        return true;
    }
    OggPacket packet;
    while (GetPosition() < target && GetPosition() < GetLength() && ReadPacket(&packet)) {
    }
    return lastGranule >= static_cast<std::int64_t>(target);
}

bool OggVorbisFile::EncodeFlush()
{
    bool ok = true;
    while (vorbis_analysis_blockout(&codec->encoderDsp, &codec->encoderBlock) == 1) {
        vorbis_analysis(&codec->encoderBlock, nullptr);
        vorbis_bitrate_addblock(&codec->encoderBlock);
        OggPacket packet;
        while (vorbis_bitrate_flushpacket(&codec->encoderDsp, &packet)) {
            ok = WritePacket(&packet, true) && ok;
        }
    }
    // Pages refused earlier are tried again even when no new one is full.
    return FlushPages() && ok;
}

LONG OggVorbisFile::WriteSamples(const short* pcm16, LONG bytes)
{
    if (!IsOpen() || readOnly || !pcm16 || bytes <= 0) {
        return 0;
    }
    if (!encoderActive) {
        if (!encoderReady) {
            return 0;
        }
        samplesEnd = highestGranule;
        if (!JoinStream()) {
            if (!ClearEndOfStream()) {
                encoderReady = false;
                return 0;
            }
            codec->encoderDsp.granulepos = highestGranule;
            codec->encoderDsp.sequence = EncodePacketCount();
        }
        encoderActive = true;
        interrupted = false;  // the encoder ends the stream now
    }
    if (!encoderReady) {
        return 0;
    }
    // Refused before the encoder takes them: every sample it took reaches the file.
    if (QueueIsFull()) {
        return -1;
    }
    const int channels = codec->encoderInfo.channels;
    const LONG frames = channels == 1 ? bytes / 2 : bytes / 4;
    if (frames <= 0) {
        return 0;
    }
    float** buffer = vorbis_analysis_buffer(&codec->encoderDsp, frames);
    if (channels == 1) {
        for (LONG i = 0; i < frames; ++i) {
            buffer[0][i] = static_cast<float>(pcm16[i]) / 32768.0f;
        }
    } else {
        for (LONG i = 0; i < frames; ++i) {
            buffer[0][i] = static_cast<float>(pcm16[2 * i]) / 32768.0f;
            buffer[1][i] = static_cast<float>(pcm16[2 * i + 1]) / 32768.0f;
        }
    }
    vorbis_analysis_wrote(&codec->encoderDsp, frames);
    const bool ok = EncodeFlush();
    // The length is the end of the samples taken. Adding the frames to a
    // highest granule that the packets just written have already raised
    // would count them twice.
    samplesEnd += frames;
    highestGranule = std::max(highestGranule, samplesEnd);
    AudioChanged();
    dirty = true;
    return ok ? frames : -1;
}

LONG OggVorbisFile::ReadSamples(short* pcm16, LONG bytes)
{
    if (!IsOpen() || bytes <= 0 || !pcm16 || !decoderReady) {
        return 0;
    }
    const int channels = codec->decoderInfo.channels;
    const LONG frameBytes = 2 * channels;
    LONG total = 0;
    for (;;) {
        if (bytes - total < frameBytes) {
            return total;
        }
        OggPacket packet;
        if (!ReadPacket(&packet)) {
            return total;
        }
        if (vorbis_synthesis(&codec->decoderBlock, &packet) == 0) {
            vorbis_synthesis_blockin(&codec->decoderDsp, &codec->decoderBlock);
        }
        float** pcm;
        int available;
        while ((available = vorbis_synthesis_pcmout(&codec->decoderDsp, &pcm)) > 0) {
            const int fit = std::min<LONG>(available, (bytes - total) / frameBytes);
            if (fit <= 0) {
                break;
            }
            short* out = pcm16 + total / 2;
            for (int i = 0; i < fit; ++i) {
                for (int c = 0; c < channels; ++c) {
                    int v = static_cast<int>(std::floor(pcm[c][i] * 32767.0f + 0.5f));
                    v = std::clamp(v, -32768, 32767);
                    out[i * channels + c] = static_cast<short>(v);
                }
            }
            vorbis_synthesis_read(&codec->decoderDsp, fit);
            total += fit * frameBytes;
        }
        if (total >= bytes / 2) {
            return total;
        }
    }
}

LONG OggVorbisFile::Write(const void* data, LONG count)
{
    if (readOnly || !writeStream || count == 0) {
        return 0;
    }
    if (!data || count < kOggPacketRecordSize || QueueIsFull()) {
        return -1;
    }
    if (!encoderActive) {
        if (!ClearEndOfStream()) {
            return -1;
        }
        encoderActive = true;
        interrupted = false;
    }
    const BYTE* bytes = static_cast<const BYTE*>(data);
    const OggPacketRecord record = LoadOggPacketRecord(bytes);
    OggPacket packet;
    packet.packet = const_cast<BYTE*>(bytes + kOggPacketRecordSize);
    packet.bytes = std::clamp<long>(record.bytes, 0, count - kOggPacketRecordSize);
    packet.b_o_s = record.beginOfStream;
    packet.e_o_s = 0;
    packet.granulepos = record.granule;
    packet.packetno = record.packetNumber;
    AdjustGranule(&packet);
    if (packet.granulepos != -1) {
        highestGranule = std::max(highestGranule, static_cast<std::int64_t>(packet.granulepos));
    }
    if (packet.granulepos == 0 || packet.granulepos < -1) {
        packet.granulepos += 1;
    }
    if (!WritePacket(&packet, true)) {
        return -1;
    }
    AudioChanged();
    if (encoderReady) {
        codec->encoderDsp.granulepos = highestGranule;
        codec->encoderDsp.sequence = EncodePacketCount();
    }
    dirty = true;
    return count;
}

LONG OggVorbisFile::Read(void* buffer, LONG count)
{
    if (!buffer || count < kOggPacketRecordSize) {
        return -1;
    }
    OggPacket packet;
    if (!ReadPacket(&packet)) {
        return 0;
    }
    const long room = count - kOggPacketRecordSize;
    const long bytes = std::min<long>(packet.bytes, room);
    OggPacketRecord record;
    record.bytes = static_cast<std::int32_t>(bytes);
    record.beginOfStream = static_cast<std::int32_t>(packet.b_o_s);
    record.endOfStream = static_cast<std::int32_t>(packet.e_o_s);
    record.granule = packet.granulepos;
    record.packetNumber = packet.packetno;
    BYTE* out = static_cast<BYTE*>(buffer);
    StoreOggPacketRecord(record, out);
    if (bytes > 0) {
        std::memcpy(out + kOggPacketRecordSize, packet.packet, static_cast<std::size_t>(bytes));
    }
    return static_cast<LONG>(kOggPacketRecordSize + bytes);
}

void OggVorbisFile::AudioChanged()
{
    wroteAudio = true;
    // Packets are not byte offsets of the data: any new page means the signed
    // stream is digested again from its start at the next save.
    static const BYTE marker = 0;
    NoteAudioWritten(0, &marker, 1);
}

bool OggVorbisFile::DigestAudio(Sha1State* state, std::uint64_t from, std::uint64_t)
{
    if (from != 0 || !IsOpen()) {
        return false;
    }
    if (writeStream) {
        std::fflush(writeStream);
    }
    const DWORD saved = GetPosition();
    Rewind(false);
    std::vector<BYTE> buffer(kOggPacketRecordSize + (1 << 18));
    LONG n;
    while ((n = Read(buffer.data(), static_cast<LONG>(buffer.size()))) > 0) {
        Sha1Update(state, buffer.data(), static_cast<std::size_t>(n));
    }
    position(saved);
    return true;
}

bool OggVorbisFile::close()
{
    if (!IsOpen()) {
        return true;
    }
    bool ok = true;
    if (encoderActive && encoderReady) {
        vorbis_analysis_wrote(&codec->encoderDsp, 0);
        ok = EncodeFlush();
        if (wroteAudio) {
            // The last pages changed the signed audio: the text is saved again.
            AudioChanged();
            dirty = true;
        }
        // The stream is ended once: a later close only writes what is queued.
        ClearCodecStates();
        encoderActive = false;
    } else if (interrupted && !readOnly) {
        ok = MarkEndOfStream();
        interrupted = !ok;
    } else {
        // Pages an earlier close could not write go first, so the text signs them.
        ok = FlushPages();
    }
    ok = update() && ok;
    // The comment header is rewritten only over a stream wholly on disk.
    ok = ok && RewriteComments();
    if (!ok && !readOnly) {
        // Still open and dirty: a later close, once there is room, finishes the
        // file, and the signed stream is read again then.
        AudioChanged();
        dirty = true;
        return false;
    }
    ReleaseFile();
    if (!ok) {
        KeepJournal();
    }
    return ok;
}

void OggVorbisFile::ReleaseFile()
{
    ClearCodecStates();
    encoderActive = false;
    interrupted = false;
    CloseStreams();
}
