// TAPVOX_AUDIO=file:PATH[;loop|;stop]: one input that reads a WAV file at
// real-time pace (stopping at its end, or starting over with ";loop") and one
// output that discards what it is given at real-time pace.
#include <map>

#include "platform/core/Path.h"
#include "platform/wave/Paced.h"
#include "platform/wave/WavReader.h"

namespace platform::wave {
namespace {
std::uint64_t FramesDue(std::uint64_t elapsedMs, DWORD rate) { return elapsedMs * rate / 1000; }

class FileInput : public PacedBackend {
public:
    FileInput(std::shared_ptr<Port> port, bool loop) : PacedBackend(std::move(port)), loop_(loop) {}
    WavReader reader;

    void Start() override
    {
        if (!started_) {
            started_ = true;
            Rebase();
        }
    }
    void Stop() override { started_ = false; }
    void Reset() override { started_ = false; }

protected:
    void Pump(std::uint64_t elapsedMs) override
    {
        if (!started_ || ended_) {
            return;
        }
        elapsed_ += elapsedMs;
        const std::uint64_t due = FramesDue(elapsed_, port_->format.nSamplesPerSec);
        while (delivered_ < due && !ended_) {
            const std::uint64_t want = due - delivered_;
            std::size_t room = 0;
            char* dst = port_->FrontRoom(&room);
            if (!dst) {
                // No header queued: the samples of this moment are lost, as on a sound card.
                const std::uint64_t got = Skip(want);
                delivered_ += got;
                ended_ = got < want;
                break;
            }
            const std::size_t n = static_cast<std::size_t>(want < room ? want : room);
            const std::size_t got = Read(dst, n);
            delivered_ += got;
            if (got < n) {
                // The source ended: what this header holds is returned now.
                ended_ = true;
                port_->Advance(got);
                port_->CompleteStarted();
            } else {
                port_->Advance(got);
            }
        }
    }

private:
    // Whole frames read into dst, going round at the end in loop mode.
    std::size_t Read(char* dst, std::size_t frames)
    {
        const std::size_t frame = port_->format.nBlockAlign;
        std::size_t done = 0;
        while (done < frames) {
            const std::size_t got = reader.Read(dst + done * frame, (frames - done) * frame) / frame;
            done += got;
            if (got == 0 && !(loop_ && reader.DataBytes() > 0 && reader.Seek(0))) {
                break;
            }
        }
        return done;
    }

    std::uint64_t Skip(std::uint64_t frames)
    {
        const std::size_t frame = port_->format.nBlockAlign;
        std::uint64_t done = 0;
        while (done < frames) {
            const std::uint64_t left = (reader.DataBytes() - reader.Position()) / frame;
            const std::uint64_t n = left < frames - done ? left : frames - done;
            if (n > 0) {
                reader.Seek(reader.Position() + n * frame);
                done += n;
            } else if (!(loop_ && reader.DataBytes() > 0 && reader.Seek(0))) {
                break;
            }
        }
        return done;
    }

    const bool loop_;
    bool started_ = false;
    bool ended_ = false;
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
        }
    }
    void Reset() override { elapsed_ = played_ = 0; }

protected:
    void Pump(std::uint64_t elapsedMs) override
    {
        if (port_->Empty()) {
            return;
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
        }
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
        return r.Open(path_);
    }

    std::string path_;
    bool loop_;
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
