#pragma once
// Positional reads and writes of whole byte ranges on a descriptor, going on
// after interrupted and short transfers.
#include <cstddef>
#include <cstdint>

namespace platform {
// Writes every byte at offset; false on any error (a write that moves no
// byte counts as one, as a full disk may give).
bool WriteAllAt(int fd, const void* data, std::size_t size, std::int64_t offset);

// Reads up to size bytes at offset, stopping early only at the end of the
// file; *got receives the count. False on an error.
bool ReadUpToAt(int fd, void* data, std::size_t size, std::int64_t offset, std::size_t* got);
}
