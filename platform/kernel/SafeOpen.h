#pragma once
// Opening files without following links or blocking on FIFOs and devices: the
// one place where the layer turns a path into a descriptor it may trust.
#include <cstdio>
#include <string>

namespace platform {
// An existing regular file for reading. Opened non-blocking so a FIFO or a
// device node never stalls the caller, then refused unless it is a regular
// file. -1 with errno set (EINVAL for a file that is not regular; ELOOP for a
// link when followLink is false).
int OpenRegularForRead(const std::string& path, bool followLink = true);

// An existing regular file for reading and writing, never through a link
// (ELOOP). Never creates.
int OpenRegularForUpdate(const std::string& path);

// A new file, created exclusively (EEXIST when the name is taken, also by a
// dangling link), never through a link. Mode is masked by the umask.
int CreateExclusive(const std::string& path, unsigned mode = 0666);

// Opens the regular file for writing, creating it when the name is free;
// *created tells which. An existing file is never truncated here, so a caller
// that replaces contents decides when (and whether) to cut.
int OpenOrCreateForWrite(const std::string& path, bool* created, unsigned mode = 0666);

// Whether the name exists at all, a link included (lstat: a dangling link
// exists, so it is never taken for a free name).
bool NameExists(const std::string& path);

// Whether the name is a regular file (not a link to one) that holds no byte.
bool IsEmptyRegularFile(const std::string& path);

// Why a file could not be opened for writing, for a message that says so.
enum class WriteRefusal { None, Missing, Link, NotRegular, NoPermission, ReadOnlyFileSystem, InUse };
WriteRefusal WhyNotWritable(const std::string& path);

// A stdio stream on a descriptor from the functions above; closes fd when the
// stream cannot be made. mode as for fdopen ("rb", "r+b", "wb").
std::FILE* StreamFromDescriptor(int fd, const char* mode);
}
