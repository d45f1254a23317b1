// Datagrams of arbitrary bytes through an endpoint's packet reader: nothing but
// whole, well-formed packets reaches the queue, every datagram is either queued
// or counted as dropped, and the queue never grows past its capacity.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/ipc/Endpoint.h"
#include "platform/ipc/Packet.h"

using namespace platform::ipc_detail;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
        return 0;
    }
    auto connection = std::make_shared<Connection>(pair[0]);
    InputQueue queue;
    std::size_t sent = 0;
    std::size_t wellFormed = 0;
    // Each datagram: one length byte, then that many bytes (what is left when fewer).
    // An empty datagram reads as the peer's end on this kind of socket, so none is sent.
    std::size_t at = 0;
    while (at < size) {
        std::size_t length = data[at++];
        if (length > size - at) {
            length = size - at;
        }
        if (length > 0 && send(pair[1], data + at, length, MSG_DONTWAIT | MSG_NOSIGNAL) == static_cast<ssize_t>(length)) {
            ++sent;
            Packet p;
            if (DecodePacket(data + at, length, &p) && p.kind != PacketKind::Reply) {
                ++wellFormed;
            }
        }
        at += length;
        if (!ReadConnection(connection, queue, nullptr, nullptr)) {
            std::abort();  // the writing end is still open
        }
        if (queue.Size() > InputQueue::kCapacity) {
            std::abort();
        }
    }
    const auto taken = queue.TakeAll();
    if (taken.size() + queue.Dropped() != sent || taken.size() > wellFormed) {
        std::abort();
    }
    for (const Incoming& in : taken) {
        std::uint8_t bytes[kPacketSize];
        EncodePacket(in.packet, bytes);
        Packet again;
        if (!DecodePacket(bytes, kPacketSize, &again) || again.lParam != in.packet.lParam ||
            again.message != in.packet.message) {
            std::abort();
        }
    }
    close(pair[1]);
    return 0;
}
