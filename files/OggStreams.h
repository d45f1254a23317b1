#pragma once
// libogg state of an open Ogg file; shared by the Ogg page layer and the
// Ogg Vorbis file, included by no one else.
#include <ogg/ogg.h>

struct OggPacket : ogg_packet {
    OggPacket() : ogg_packet{} {}
};

struct OggStreams {
    ogg_page readPage{};
    ogg_page writePage{};
    ogg_stream_state decode{};
    ogg_stream_state encode{};
    ogg_sync_state sync{};
};
