// The nominal bitrate of a Vorbis quality, asked of libvorbisenc on a scratch set-up no open file holds.
#include "files/OggVorbisFile.h"

#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>

int VorbisQualityToBitrate(int quality, int rate, int channels)
{
    vorbis_info scratch;
    vorbis_info_init(&scratch);
    int result = 0;
    if (vorbis_encode_init_vbr(&scratch, channels, rate, static_cast<float>(quality) * 0.1f) == 0) {
        result = static_cast<int>(scratch.bitrate_nominal);
    }
    vorbis_info_clear(&scratch);
    return result;
}
