#pragma once
// An endpoint's reading side, apart from its socket and thread, so that the
// packet reader can be driven alone (its tests and the fuzz target do).
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "platform/ipc/Packet.h"
#include "platform/user/Messages.h"

namespace platform::ipc_detail {
// One accepted connection; its descriptor closes with the last holder, so a
// query still waiting in the queue can be answered after the reader let go.
struct Connection {
    explicit Connection(int descriptor) : fd(descriptor) {}
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    int fd;
};

struct Incoming {
    Packet packet;
    std::shared_ptr<Connection> from;
};

// Packets read and not yet delivered, at most kCapacity: a flood from outside
// costs nothing but the packets dropped.
class InputQueue {
public:
    static constexpr std::size_t kCapacity = 64;
    // False when full. *wasEmpty tells whether the GUI thread must be told.
    bool Push(Incoming item, bool* wasEmpty);
    std::deque<Incoming> TakeAll();
    std::size_t Size();
    std::uint64_t Dropped();
    void CountDropped();

private:
    std::mutex mutex_;
    std::deque<Incoming> items_;
    std::uint64_t dropped_ = 0;
};

// Reads every datagram waiting on the connection (non-blocking): whole packets
// go into the queue, malformed, truncated or oversized ones are counted and dropped.
// Returns false once the peer has gone (or the socket failed).
// onQueued runs after each packet that made the queue non-empty.
bool ReadConnection(const std::shared_ptr<Connection>& connection, InputQueue& queue, void (*onQueued)(void*),
                    void* context);

// What tests look at of a published window's endpoint (GUI thread): its queue,
// and how many connections it refused (another user's, or one too many).
InputQueue* EndpointQueue(HWND window);
std::uint64_t RefusedConnections(HWND window);
}
