#pragma once
// libvorbis state of an Ogg Vorbis file; used only inside the Ogg Vorbis file
// class, included by no one else.
#include <vorbis/codec.h>

struct VorbisCodec {
    vorbis_info encoderInfo{};
    vorbis_info decoderInfo{};
    vorbis_comment comment{};
    vorbis_dsp_state encoderDsp{};
    vorbis_dsp_state decoderDsp{};
    vorbis_block decoderBlock{};
    vorbis_block encoderBlock{};
    bool decoderInfoUsed = false;
};
