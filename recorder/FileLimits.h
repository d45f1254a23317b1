#pragma once
// FileLimits: when a recording file has reached its size or time limit, or the largest
// size of a WAV file, and what follows (a loop pass, a stop, a new file), with no window.
#include <cstdint>
#include <optional>

class FileLimits {
public:
    struct Settings {
        int action = 0;   // at the limit: 0 nothing, 1 loop inside the file, 2 stop, 3 new file
        int kind = 0;     // 0 by size, else by time
        int sizeMb = 0;   // 0 = no size limit
        int minutes = 0;  // 0 = no time limit
    };
    // The file as it stands; in a loop pass the write position stands for its size and length.
    struct Measure {
        std::uint64_t size = 0;      // data size, or the write position in a loop pass
        std::uint64_t dataSize = 0;  // the data the file holds
        std::uint64_t seconds = 0;   // length up to the same point as size
        bool wave = false;           // a WAV file, whose data has a largest size
    };
    enum class Reached { No, Limit, WaveCap };
    // At a buffer's status refresh: a loop pass starts at once; the rest waits until the device stopped.
    enum class AtBuffer { Nothing, LoopNow, PostNextFile, PostCapSplit };
    // When the next-file message is handled.
    enum class Next { Nothing, LoopPass, CannotLoop, Stop, NewFile, CapNewFile };

    // The file class refuses WAV data that would pass 4 GiB less 1 MiB; a recording
    // continues elsewhere before that, with room for the buffers still on their way.
    static constexpr std::uint64_t kWaveDataCap = (std::uint64_t(1) << 32) - 2 * 1024 * 1024;

    explicit FileLimits(const Settings& settings) : settings_(settings) {}

    std::uint64_t SizeLimitBytes() const;
    Reached Test(const Measure& m) const;
    AtBuffer AtBufferEnd(Reached reached, bool canOverwrite) const;
    // capSplit: the message was posted for the WAV size cap; reached is only asked while recording.
    Next AtNextFile(bool capSplit, bool recording, Reached reached, bool canOverwrite) const;
    // Record on a file already at its loop limit begins a loop pass at once.
    bool LoopDueAtRecord(std::uint64_t dataSize, std::uint64_t seconds) const;
    // Megabytes left to the limit for the status line; none without a limit.
    std::optional<double> DistanceMb(double fileMb, std::uint32_t avgBytesPerSec) const;

private:
    Settings settings_;
};
