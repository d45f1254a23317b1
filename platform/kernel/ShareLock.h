#pragma once
// Sharing between handles as the program expects it of Windows: a writer holds a
// file alone, a deny-write reader keeps writers out. Held as advisory locks on one
// far byte, so every writer of recordings (mmio and the Ogg streams) meets the others.
namespace platform {
// Takes the file for this descriptor's writing; false when another handle, of this
// process or another, writes it or keeps writers out.
bool LockForWriting(int fd);
// Keeps writers out while the descriptor is open; false when one writes now.
bool LockAgainstWriters(int fd);
// Whether another handle holds the file for writing.
bool HeldByWriter(int fd);
}
