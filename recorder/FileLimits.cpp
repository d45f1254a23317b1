// FileLimits: the size and time tests of a recording file and the action each asks for.
#include "recorder/FileLimits.h"

#include <algorithm>

std::uint64_t FileLimits::SizeLimitBytes() const
{
    return settings_.sizeMb > 0 ? std::uint64_t(settings_.sizeMb) << 20 : 0;
}

FileLimits::Reached FileLimits::Test(const Measure& m) const
{
    bool reached = false;
    if (settings_.action != 0 && settings_.kind == 0) {
        std::uint64_t limit = SizeLimitBytes();
        if (limit != 0 && m.wave) {
            limit = std::min(limit, kWaveDataCap);
        }
        reached = limit != 0 && m.size >= limit;
    } else if (settings_.action != 0 && settings_.minutes > 0) {
        reached = m.seconds >= std::uint64_t(settings_.minutes) * 60;
    }
    if (reached) {
        return Reached::Limit;
    }
    return m.wave && m.dataSize >= kWaveDataCap ? Reached::WaveCap : Reached::No;
}

FileLimits::AtBuffer FileLimits::AtBufferEnd(Reached reached, bool canOverwrite) const
{
    switch (reached) {
    case Reached::No:
        return AtBuffer::Nothing;
    case Reached::WaveCap:
        return AtBuffer::PostCapSplit;
    case Reached::Limit:
        break;
    }
    return settings_.action == 1 && canOverwrite ? AtBuffer::LoopNow : AtBuffer::PostNextFile;
}

FileLimits::Next FileLimits::AtNextFile(bool capSplit, bool recording, Reached reached, bool canOverwrite) const
{
    if (capSplit) {
        return recording && reached == Reached::WaveCap ? Next::CapNewFile : Next::Nothing;
    }
    switch (settings_.action) {
    case 1:
        return canOverwrite ? Next::LoopPass : recording ? Next::CannotLoop : Next::Nothing;
    case 2:
        return Next::Stop;
    case 3:
        return recording && reached == Reached::Limit ? Next::NewFile : Next::Nothing;
    default:
        return Next::Nothing;
    }
}

bool FileLimits::LoopDueAtRecord(std::uint64_t dataSize, std::uint64_t seconds) const
{
    return settings_.action == 1 && Test({dataSize, dataSize, seconds, false}) == Reached::Limit;
}

std::optional<double> FileLimits::DistanceMb(double fileMb, std::uint32_t avgBytesPerSec) const
{
    if (settings_.action == 0) {
        return std::nullopt;
    }
    if (settings_.sizeMb != 0 && settings_.kind == 0) {
        return static_cast<double>(settings_.sizeMb) - fileMb;
    }
    if (settings_.minutes != 0 && settings_.kind != 0 && avgBytesPerSec != 0) {
        return std::max(0.0, static_cast<double>(settings_.minutes) * 60.0 * avgBytesPerSec / 1048576.0 - fileMb);
    }
    return std::nullopt;
}
