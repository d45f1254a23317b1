#pragma once
// Only for the benchmarks: the codec libraries called directly, as the baselines
// that recording through the program's own classes is measured against.
#include <cstdio>
#include <string>
#include <vector>

#include <lame/lame.h>
#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

namespace benchdirect {
// Interleaved 16-bit stereo, given to libvorbisenc (VBR at quality) in blocks of
// `frames`, written as Ogg pages to path.
inline void EncodeVorbis(const std::vector<short>& pcm, int rate, float quality, int frames, const std::string& path)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    vorbis_info vi;
    vorbis_info_init(&vi);
    vorbis_encode_init_vbr(&vi, 2, rate, quality);
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 1);
    ogg_packet h1, h2, h3;
    vorbis_analysis_headerout(&vd, &vc, &h1, &h2, &h3);
    ogg_stream_packetin(&os, &h1);
    ogg_stream_packetin(&os, &h2);
    ogg_stream_packetin(&os, &h3);
    ogg_page og;
    auto page = [&] {
        std::fwrite(og.header, 1, og.header_len, out);
        std::fwrite(og.body, 1, og.body_len, out);
    };
    while (ogg_stream_flush(&os, &og)) {
        page();
    }
    auto drain = [&] {
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og)) {
                    page();
                }
            }
        }
    };
    for (std::size_t off = 0; off + std::size_t(frames) * 2 <= pcm.size(); off += std::size_t(frames) * 2) {
        float** buf = vorbis_analysis_buffer(&vd, frames);
        for (int i = 0; i < frames; ++i) {
            buf[0][i] = pcm[off + 2 * i] / 32768.0f;
            buf[1][i] = pcm[off + 2 * i + 1] / 32768.0f;
        }
        vorbis_analysis_wrote(&vd, frames);
        drain();
    }
    vorbis_analysis_wrote(&vd, 0);
    drain();
    while (ogg_stream_flush(&os, &og)) {
        page();
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    std::fclose(out);
}

// The same samples through LAME at a constant bit rate, in blocks of `frames`, written to path.
inline void EncodeMp3(const std::vector<short>& pcm, int rate, int kbps, int frames, const std::string& path)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    lame_global_flags* gf = lame_init();
    lame_set_num_channels(gf, 2);
    lame_set_in_samplerate(gf, rate);
    lame_set_out_samplerate(gf, rate);
    lame_set_brate(gf, kbps);
    lame_set_VBR(gf, vbr_off);
    lame_set_mode(gf, JOINT_STEREO);
    lame_set_bWriteVbrTag(gf, 0);
    lame_set_write_id3tag_automatic(gf, 0);
    lame_init_params(gf);
    std::vector<unsigned char> mp3(std::size_t(frames) * 5 / 4 + 7200);
    for (std::size_t off = 0; off + std::size_t(frames) * 2 <= pcm.size(); off += std::size_t(frames) * 2) {
        const int n = lame_encode_buffer_interleaved(gf, const_cast<short*>(&pcm[off]), frames, mp3.data(),
                                                     static_cast<int>(mp3.size()));
        std::fwrite(mp3.data(), 1, static_cast<std::size_t>(n > 0 ? n : 0), out);
    }
    const int n = lame_encode_flush(gf, mp3.data(), static_cast<int>(mp3.size()));
    std::fwrite(mp3.data(), 1, static_cast<std::size_t>(n > 0 ? n : 0), out);
    lame_close(gf);
    std::fclose(out);
}
}
