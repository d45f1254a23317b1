// TAPVOX_AUDIO=file:PATH[;loop|;stop]: one input that reads a WAV file at
// real-time pace (stopping at its end, or starting over with ";loop") and one
// output that discards what it is given at real-time pace.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "platform/core/Path.h"
#include "platform/wave/Paced.h"
#include "platform/wave/WavReader.h"

namespace platform::wave {
namespace {
std::uint64_t FramesDue(std::uint64_t elapsedMs, DWORD rate) { return elapsedMs * rate / 1000; }

class FileInput : public PacedBackend {
public:
    FileInput(std::shared_ptr<Port> port, bool loop) : PacedBackend(std::move(port)), loop_(loop)
    {
        scratch_.resize(kChunkFrames * port_->format.nBlockAlign);
        period_ = port_->format.nSamplesPerSec / 5 + 1;
    }
    WavReader reader;

    void Start() override
    {
        if (!started_) {
            started_ = true;
            Rebase();
            Wake();
        }
    }
    void Stop() override { started_ = false; }
    void Reset() override { started_ = false; }

protected:
    std::uint64_t Pump(std::unique_lock<std::mutex>& lock, std::uint64_t elapsedMs) override
    {
        if (!started_ || ended_) {
            return kIdle;
        }
        elapsed_ += elapsedMs;
        if (reading_) {
            return kIdle;  // the pump that reads goes on with the time counted here
        }
        const std::size_t frame = port_->format.nBlockAlign;
        const std::uint64_t due = FramesDue(elapsed_, port_->format.nSamplesPerSec);
        while (delivered_ < due && !ended_ && started_) {
            if (pending_ == 0) {
                // The file is read with the port free: a slow disk never holds up its callers.
                const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(due - delivered_, kChunkFrames));
                reading_ = true;
                lock.unlock();
                const std::size_t got = Read(scratch_.data(), want);
                lock.lock();
                reading_ = false;
                pending_ = got;
                sourceEnded_ = got < want;
            }
            if (!started_) {
                break;  // stopped meanwhile: what was read goes out after the next start
            }
            // What no header takes is lost, as on a sound card.
            port_->Fill(reinterpret_cast<const std::uint8_t*>(scratch_.data()), pending_ * frame);
            delivered_ += pending_;
            pending_ = 0;
            if (sourceEnded_) {
                // The source ended: what this header holds is returned now, and nothing more is due.
                ended_ = true;
                port_->CompleteStarted();
            }
        }
        if (!started_ || ended_) {
            return kIdle;
        }
        // Asleep until the front header fills; without one, until one would have.
        if (const WAVEHDR* h = port_->Front()) {
            period_ = h->dwBufferLength / frame;
        }
        const std::size_t ahead = port_->FrontFrames();
        return MsUntil(delivered_ + (ahead ? ahead : period_), port_->format.nSamplesPerSec, elapsed_);
    }

private:
    static constexpr std::size_t kChunkFrames = 8192;

    // Whole frames read into dst, going round at the end in loop mode. A pass
    // from the start that yields nothing (a source emptied while in use) is the
    // end, as for a source played once.
    std::size_t Read(char* dst, std::size_t frames)
    {
        const std::size_t frame = port_->format.nBlockAlign;
        std::size_t done = 0;
        bool rewound = false;
        while (done < frames) {
            const std::size_t got = reader.Read(dst + done * frame, (frames - done) * frame) / frame;
            done += got;
            if (got > 0) {
                rewound = false;
            } else if (rewound || !loop_ || reader.DataBytes() == 0 || !reader.Seek(0)) {
                break;
            } else {
                rewound = true;
            }
        }
        return done;
    }

    const bool loop_;
    bool started_ = false;
    bool ended_ = false;
    // Set while a pump reads with the port's mutex released.
    bool reading_ = false;
    // Frames read into scratch_ and not yet handed to the port, and whether the read met the source's end.
    std::size_t pending_ = 0;
    bool sourceEnded_ = false;
    std::vector<char> scratch_;
    // Frames of the last header seen: the pace of wake-ups while none is queued.
    std::size_t period_ = 0;
    std::uint64_t elapsed_ = 0;
    std::uint64_t delivered_ = 0;
};

class DiscardOutput : public PacedBackend {
public:
    using PacedBackend::PacedBackend;

    void Queued() override
    {
        if (port_->Size() == 1) {
            // Idle until now: playing starts with this header.
            Rebase();
            elapsed_ = played_ = 0;
            Wake();
        }
    }
    void Reset() override { elapsed_ = played_ = 0; }

protected:
    std::uint64_t Pump(std::unique_lock<std::mutex>&, std::uint64_t elapsedMs) override
    {
        if (port_->Empty()) {
            return kIdle;
        }
        elapsed_ += elapsedMs;
        const std::uint64_t due = FramesDue(elapsed_, port_->format.nSamplesPerSec);
        std::size_t left = 0;
        while (port_->FrontRoom(&left) && played_ < due) {
            const std::size_t n = static_cast<std::size_t>(due - played_ < left ? due - played_ : left);
            port_->Advance(n);
            played_ += n;
        }
        if (port_->Empty()) {
            elapsed_ = played_ = 0;
            return kIdle;
        }
        // Asleep until the front header has been heard.
        return MsUntil(played_ + port_->FrontFrames(), port_->format.nSamplesPerSec, elapsed_);
    }

private:
    std::uint64_t elapsed_ = 0;
    std::uint64_t played_ = 0;
};

class FileFed : public Driver {
public:
    FileFed(std::string path, bool loop) : path_(std::move(path)), loop_(loop) {}

    UINT Count(bool input) override { return !input || Readable() ? 1 : 0; }

    MMRESULT Name(bool input, UINT id, std::string* name) override
    {
        if (id != WAVE_MAPPER && id != 0) {
            return MMSYSERR_BADDEVICEID;
        }
        if (input && !Readable()) {
            return id == WAVE_MAPPER ? MMSYSERR_NODRIVER : MMSYSERR_BADDEVICEID;
        }
        if (id == WAVE_MAPPER) {
            *name = "Wave Mapper";
        } else {
            *name = input ? "File: " + std::string(FileNamePart(path_)) : "Discarding output";
        }
        return MMSYSERR_NOERROR;
    }

    MMRESULT Open(bool input, UINT id, const std::shared_ptr<Port>& port, std::shared_ptr<Backend>* backend) override
    {
        if (id != WAVE_MAPPER && id != 0) {
            return MMSYSERR_BADDEVICEID;
        }
        if (!input) {
            auto out = std::make_shared<DiscardOutput>(port);
            out->Launch();
            *backend = out;
            return MMSYSERR_NOERROR;
        }
        auto in = std::make_shared<FileInput>(port, loop_);
        if (!in->reader.Open(path_)) {
            Refused(in->reader);
            return MMSYSERR_NODRIVER;
        }
        const WAVEFORMATEX& f = in->reader.Format();
        // The file is the sound card: it plays its own format only.
        if (f.nChannels != port->format.nChannels || f.wBitsPerSample != port->format.wBitsPerSample ||
            f.nSamplesPerSec != port->format.nSamplesPerSec) {
            return WAVERR_BADFORMAT;
        }
        in->Launch();
        *backend = in;
        return MMSYSERR_NOERROR;
    }

private:
    bool Readable()
    {
        WavReader r;
        if (!r.Open(path_)) {
            Refused(r);
            return false;
        }
        return true;
    }

    // Says once why the input cannot be used: something other than a regular
    // file, or one that cannot be read. (A missing file or another format is
    // the recorder's message to give.)
    void Refused(const WavReader& r)
    {
        const int error = r.OpenError();
        if (error == 0 || error == ENOENT || error == warned_) {
            return;
        }
        warned_ = error;
        const bool irregular = error == EINVAL || error == EISDIR;
        std::fprintf(stderr, "TAPVOX_AUDIO: the input %s is %s%s; it is not used\n", path_.c_str(),
                     irregular ? "not a regular file" : "unreadable: ", irregular ? "" : std::strerror(error));
    }

    std::string path_;
    bool loop_;
    int warned_ = 0;
};
}

Driver& FileDriver(const std::string& value)
{
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<FileFed>> drivers;
    std::lock_guard lock(mutex);
    auto& d = drivers[value];
    if (!d) {
        std::string path = value;
        bool loop = false;
        const std::size_t semi = path.rfind(';');
        if (semi != std::string::npos && (path.compare(semi, std::string::npos, ";loop") == 0 ||
                                          path.compare(semi, std::string::npos, ";stop") == 0)) {
            loop = path.compare(semi, std::string::npos, ";loop") == 0;
            path.erase(semi);
        }
        d = std::make_unique<FileFed>(path, loop);
    }
    return *d;
}
}
