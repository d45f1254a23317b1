#pragma once
// The nominal bitrate (bits/s) that libvorbisenc gives a quality (-1..10,
// scaled by 0.1) at a rate and channel count; 0 when it refuses the set-up.
int VorbisQualityToBitrate(int quality, int rate, int channels);
