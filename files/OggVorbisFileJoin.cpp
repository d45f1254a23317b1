// Appending to an Ogg Vorbis file without its end padding: the stream is cut
// after the last block that holds only audio, and the encoder goes on from
// there as if it had never stopped.
//
// A finished stream ends with a block that reaches past the audio; only the
// end mark tells a decoder to drop the excess, and an append clears it. So the
// last blocks are decoded again, the file keeps the blocks before them, and
// the encoder starts at the position of the first dropped block with the same
// window sizes and the decoded audio before it in its buffer: its first block
// overlaps the kept one as the old encoder's would have, the audio up to the
// old end is encoded again, and granules and decoded samples agree.
#include <algorithm>
#include <cstring>
#include <vector>

#include "files/OggPage.h"
#include "files/OggStreams.h"
#include "files/OggTail.h"
#include "files/OggVorbisFile.h"
#include "files/VorbisCodec.h"

namespace {
using Channels = std::vector<std::vector<float>>;

// Decodes packets from a fresh decoder: after the first one, each packet adds
// the samples between its block's centre and the previous one's.
bool DecodePackets(vorbis_info* info, const std::vector<OggTailPacket>& packets, Channels* out)
{
    vorbis_dsp_state dsp{};
    vorbis_block block{};
    if (vorbis_synthesis_init(&dsp, info) != 0) {
        return false;
    }
    vorbis_block_init(&dsp, &block);
    out->assign(static_cast<std::size_t>(info->channels), {});
    bool ok = true;
    for (std::size_t i = 0; i < packets.size() && ok; ++i) {
        OggPacket packet;
        packet.packet = const_cast<unsigned char*>(packets[i].bytes.data());
        packet.bytes = static_cast<long>(packets[i].bytes.size());
        packet.granulepos = -1;  // no trimming: every block's samples come out
        packet.packetno = static_cast<ogg_int64_t>(i) + 3;
        ok = vorbis_synthesis(&block, &packet) == 0 && vorbis_synthesis_blockin(&dsp, &block) == 0;
        float** pcm = nullptr;
        int n;
        while (ok && (n = vorbis_synthesis_pcmout(&dsp, &pcm)) > 0) {
            for (int c = 0; c < info->channels; ++c) {
                (*out)[static_cast<std::size_t>(c)].insert((*out)[static_cast<std::size_t>(c)].end(), pcm[c], pcm[c] + n);
            }
            vorbis_synthesis_read(&dsp, n);
        }
    }
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    return ok;
}
}

bool OggVorbisFile::JoinStream()
{
    vorbis_info* info = &codec->decoderInfo;
    vorbis_dsp_state& encoder = codec->encoderDsp;
    const long shortBlock = vorbis_info_blocksize(info, 0);
    const long longBlock = vorbis_info_blocksize(info, 1);
    // The encoder must be untouched: its buffer is filled by hand below.
    if (!tailUsable || tail.empty() || shortBlock <= 0 || longBlock < shortBlock || !encoder.pcm ||
        encoder.preextrapolate || encoder.centerW != longBlock / 2 || encoder.pcm_current != encoder.centerW ||
        encoder.vi->channels != info->channels) {
        return false;
    }
    std::vector<OggTailPacket> packets;
    if (!OggTailPackets(std::vector<OggTailPage>(tail.begin(), tail.end()), &packets) || packets.empty()) {
        return false;
    }
    const std::size_t n = packets.size();
    std::vector<long> size(n);
    for (std::size_t i = 0; i < n; ++i) {
        OggPacket packet;
        packet.packet = packets[i].bytes.data();
        packet.bytes = static_cast<long>(packets[i].bytes.size());
        size[i] = vorbis_packet_blocksize(info, &packet);
        if (size[i] != shortBlock && size[i] != longBlock) {
            return false;
        }
    }

    // Block centres in granule units, from the last granule that is not the
    // trimmed end; each one must agree with the granules the pages carry.
    const bool ended = packets.back().endOfStream;
    auto trimmed = [&](std::size_t i) { return ended && i == n - 1; };
    std::size_t anchor = n;
    for (std::size_t i = n; i-- > 0;) {
        if (packets[i].granule != -1 && !trimmed(i)) {
            anchor = i;
            break;
        }
    }
    std::vector<std::int64_t> center(n);
    if (anchor == n) {
        if (!tailFromStart) {
            return false;
        }
        anchor = 0;  // one page of audio: it starts at 0
        center[0] = 0;
    } else {
        center[anchor] = packets[anchor].granule;
    }
    for (std::size_t i = anchor + 1; i < n; ++i) {
        center[i] = center[i - 1] + size[i - 1] / 4 + size[i] / 4;
    }
    for (std::size_t i = anchor; i-- > 0;) {
        center[i] = center[i + 1] - size[i] / 4 - size[i + 1] / 4;
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (packets[i].granule != -1 && !trimmed(i) && packets[i].granule != center[i]) {
            return false;
        }
    }
    const std::int64_t end = ended ? packets.back().granule : center[n - 1];
    if (end > center[n - 1] || end < center[0] || end != highestGranule) {
        return false;
    }

    // The first dropped block: the last one whose centre is inside the audio.
    std::size_t first = 0;
    for (std::size_t i = n; i-- > 1;) {
        if (center[i] <= end) {
            first = i;
            break;
        }
    }
    const bool restart = first == 0;
    if (restart && !tailFromStart) {
        return false;
    }
    Channels audio;
    if (!DecodePackets(info, packets, &audio) ||
        audio[0].size() != static_cast<std::size_t>(center[n - 1] - center[0])) {
        return false;
    }

    std::int64_t cutOffset = tail.front().offset;
    long lastPage = OggPageSequence(tail.front().bytes.data()) - 1;
    std::vector<BYTE> cutPage;
    std::int64_t keptPackets = 3;
    const std::int64_t start = restart ? center[0] : center[first];
    if (!restart) {
        // The page of the last kept packet ends with it and carries its granule.
        const OggTailPacket& kept = packets[first - 1];
        const std::vector<BYTE>& page = tail[kept.page].bytes;
        cutOffset = tail[kept.page].offset;
        lastPage = OggPageSequence(page.data());
        if (kept.lastSegment + 1 == page[26] && kept.granule == center[first - 1] && !(page[5] & 4)) {
            cutOffset += static_cast<std::int64_t>(page.size());
        } else {
            cutPage = OggPageCutAfter(page, kept.lastSegment, center[first - 1]);
        }
        keptPackets = std::max<std::int64_t>(3, EncodePacketCount() - static_cast<std::int64_t>(n - first));
    }
    if (!ReplaceEndAt(cutOffset, std::move(cutPage))) {
        return false;
    }
    ContinuePageNumbering(lastPage, keptPackets);

    if (!restart) {
        // The samples before the first new block are the decoded ones, so the
        // overlap with the kept block adds up to the audio; a fresh encoder
        // would have extrapolated them instead.
        for (int c = 0; c < info->channels; ++c) {
            const std::vector<float>& from = audio[static_cast<std::size_t>(c)];
            for (long k = 0; k < encoder.centerW; ++k) {
                const std::int64_t t = start - encoder.centerW + k - center[0];
                encoder.pcm[c][k] = t >= 0 ? from[static_cast<std::size_t>(t)] : 0.0f;
            }
        }
        encoder.preextrapolate = 1;
        encoder.lW = size[first - 1] == longBlock && longBlock != shortBlock;
        encoder.W = size[first] == longBlock && longBlock != shortBlock;
    }
    encoder.granulepos = start;
    encoder.sequence = keptPackets;

    // The audio of the dropped blocks is encoded again before the new samples.
    const auto from = static_cast<std::size_t>(start - center[0]);
    const auto count = static_cast<std::size_t>(end - start);
    for (std::size_t done = 0; done < count;) {
        const int step = static_cast<int>(std::min<std::size_t>(count - done, 4096));
        float** buffer = vorbis_analysis_buffer(&encoder, step);
        for (int c = 0; c < info->channels; ++c) {
            std::memcpy(buffer[c], audio[static_cast<std::size_t>(c)].data() + from + done, sizeof(float) * step);
        }
        vorbis_analysis_wrote(&encoder, step);
        done += static_cast<std::size_t>(step);
    }
    EncodeFlush();  // a page that cannot be written yet stays queued
    return true;
}
