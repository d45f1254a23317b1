#pragma once
// The one packet an endpoint reads, 20 bytes in a datagram of its own:
// "TVX1", kind, a zero word, message, wParam and lParam (the wire format).
#include <cstddef>
#include <cstdint>

namespace platform::ipc_detail {
enum class PacketKind : std::uint16_t {
    Post = 1,            // message, wParam, lParam
    Show = 2,            // wParam: the show command
    BringToTop = 3,
    Foreground = 4,
    QueryVisible = 5,    // answered with a Reply
    QueryMinimized = 6,
    Reply = 7,           // lParam: the answer
};

struct Packet {
    PacketKind kind = PacketKind::Post;
    std::uint32_t message = 0;
    std::uint32_t wParam = 0;
    // Signed 32 bits on the wire: a negative value arrives negative at any pointer size.
    std::int32_t lParam = 0;
};

constexpr std::size_t kPacketSize = 20;

void EncodePacket(const Packet& packet, std::uint8_t (&out)[kPacketSize]);
// False for anything but one whole, well-formed packet.
bool DecodePacket(const std::uint8_t* data, std::size_t size, Packet* packet);
}
