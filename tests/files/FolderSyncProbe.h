#pragma once
// Watches the fsync calls of this test program (it defines fsync and passes
// every call on), so a test sees whether a file replaced by a rename had its
// folder synced after the rename, without tracing the process.
#include <string>

namespace foldersync {
// While it lives, records each fsync of the folder holding `file` together
// with the file's inode at that moment.
class Probe {
public:
    explicit Probe(const std::string& file);
    ~Probe();
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;
    // Whether the folder was synced while the name already held the file it
    // holds now: the rename that put it there then reaches the disk.
    bool SyncedAfterReplace() const;
    int FolderSyncs() const;
};
}
