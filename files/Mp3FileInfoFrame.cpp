// Mp3File's part that keeps an information frame (Xing, Info, VBRI) true to
// the stream after an append: counts, seek table and the LAME tag's checksums.
#include <algorithm>
#include <vector>

#include "files/Mp3File.h"

namespace {
constexpr LONG kBlock = 1 << 16;
}

void Mp3File::FindInfoFrame()
{
    infoFrame = Mp3InfoFrame{};
    ForgetInfoWalk();
    infoStale = false;
    if (!handle || dataSize < 4) {
        return;
    }
    const LONGLONG saved = mmioSeek(handle, 0, SEEK_CUR);
    BYTE head[4];
    MpegFrameHeader h;
    std::vector<BYTE> frame;
    if (mmioSeek(handle, dataOffset, SEEK_SET) == dataOffset &&
        mmioRead(handle, reinterpret_cast<char*>(head), 4) == 4 && ParseMpegFrameHeader(head, h) &&
        h.frameLength <= dataSize) {
        frame.resize(h.frameLength);
        if (mmioSeek(handle, dataOffset, SEEK_SET) == dataOffset &&
            mmioRead(handle, reinterpret_cast<char*>(frame.data()), static_cast<LONG>(frame.size())) ==
                static_cast<LONG>(frame.size())) {
            infoFrame = FindMp3InfoFrame(frame.data(), frame.size(), h);
        }
    }
    mmioSeek(handle, saved, SEEK_SET);
    // Counts that disagree with the stream (a recording cut short) are set
    // right at the next save.
    infoStale = infoFrame.kind != Mp3InfoFrame::Kind::None && infoFrame.storedBytes != dataSize;
}

void Mp3File::ForgetInfoWalk()
{
    infoFrameStarts.clear();
    infoNextFrame = 0;
    infoCrcTo = 0;
    infoCrc = 0;
}

void Mp3File::NoteInfoChange(std::uint64_t at)
{
    if (infoFrame.kind == Mp3InfoFrame::Kind::None) {
        return;
    }
    infoStale = true;
    if (at < std::max<std::uint64_t>(infoNextFrame, infoCrcTo)) {
        // Bytes already walked changed (overwrite mode, a cut): walk again.
        ForgetInfoWalk();
    }
}

bool Mp3File::WalkInfoFrames()
{
    // The music checksum covers the bytes behind the information frame.
    std::vector<BYTE> block(kBlock);
    infoCrcTo = std::max<DWORD>(infoCrcTo, static_cast<DWORD>(infoFrame.length));
    while (infoCrcTo < dataSize) {
        const LONG want = static_cast<LONG>(std::min<DWORD>(kBlock, dataSize - infoCrcTo));
        if (mmioSeek(handle, LONGLONG(dataOffset) + infoCrcTo, SEEK_SET) < 0 ||
            mmioRead(handle, reinterpret_cast<char*>(block.data()), want) != want) {
            return false;
        }
        infoCrc = Mp3Crc16(block.data(), static_cast<std::size_t>(want), infoCrc);
        infoCrcTo += static_cast<DWORD>(want);
    }
    // Frame by frame from the last one seen; bytes that are no frame header
    // are passed over to the next header.
    while (infoNextFrame + 4 <= dataSize) {
        BYTE head[4];
        MpegFrameHeader h;
        if (mmioSeek(handle, LONGLONG(dataOffset) + LONGLONG(infoNextFrame), SEEK_SET) < 0 ||
            mmioRead(handle, reinterpret_cast<char*>(head), 4) != 4) {
            return false;
        }
        if (ParseMpegFrameHeader(head, h) && h.frameLength > 0) {
            if (infoNextFrame + h.frameLength > dataSize) {
                break;  // cut short: counted once the rest is there
            }
            infoFrameStarts.push_back(static_cast<std::uint32_t>(infoNextFrame));
            infoNextFrame += h.frameLength;
        } else {
            ++infoNextFrame;
        }
    }
    return true;
}

bool Mp3File::RefreshInfoFrame()
{
    if (!infoStale || !handle || readOnly || infoFrame.kind == Mp3InfoFrame::Kind::None) {
        return true;
    }
    const LONGLONG saved = mmioSeek(handle, 0, SEEK_CUR);
    std::vector<BYTE> frame(infoFrame.length);
    bool ok = WalkInfoFrames() && mmioSeek(handle, dataOffset, SEEK_SET) == dataOffset &&
              mmioRead(handle, reinterpret_cast<char*>(frame.data()), static_cast<LONG>(frame.size())) ==
                  static_cast<LONG>(frame.size());
    if (ok) {
        RefreshMp3InfoFrame(frame.data(), infoFrame, infoFrameStarts, dataSize, infoCrc);
        ok = mmioSeek(handle, dataOffset, SEEK_SET) == dataOffset &&
             mmioWrite(handle, reinterpret_cast<const char*>(frame.data()), static_cast<LONG>(frame.size())) ==
                 static_cast<LONG>(frame.size());
    }
    mmioSeek(handle, saved, SEEK_SET);
    if (ok) {
        infoStale = false;
        infoFrame.storedBytes = dataSize;
    }
    return ok;
}
