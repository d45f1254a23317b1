// The endpoint's packet on the wire, little-endian whatever the machine.
#include "platform/ipc/Packet.h"

#include "platform/core/Bytes.h"

namespace platform::ipc_detail {
namespace {
constexpr std::uint8_t kMagic[4] = {'T', 'V', 'X', '1'};
}

void EncodePacket(const Packet& packet, std::uint8_t (&out)[kPacketSize])
{
    for (int i = 0; i < 4; ++i) {
        out[i] = kMagic[i];
    }
    StoreLe16(out + 4, static_cast<std::uint16_t>(packet.kind));
    StoreLe16(out + 6, 0);
    StoreLe32(out + 8, packet.message);
    StoreLe32(out + 12, packet.wParam);
    StoreLe32(out + 16, static_cast<std::uint32_t>(packet.lParam));
}

bool DecodePacket(const std::uint8_t* data, std::size_t size, Packet* packet)
{
    if (!data || size != kPacketSize || !packet) {
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        if (data[i] != kMagic[i]) {
            return false;
        }
    }
    const std::uint16_t kind = LoadLe16(data + 4);
    if (kind < static_cast<std::uint16_t>(PacketKind::Post) || kind > static_cast<std::uint16_t>(PacketKind::Reply) ||
        LoadLe16(data + 6) != 0) {
        return false;
    }
    packet->kind = static_cast<PacketKind>(kind);
    packet->message = LoadLe32(data + 8);
    packet->wParam = LoadLe32(data + 12);
    packet->lParam = static_cast<std::int32_t>(LoadLe32(data + 16));
    return true;
}
}
