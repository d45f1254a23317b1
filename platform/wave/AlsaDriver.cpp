// Real devices through ALSA. The wave mapper is ALSA's "default" device (which
// reaches the sound server when one runs); devices 0.. are the cards' PCM
// devices, opened through "plughw" without resampling so that a rate the card
// cannot do is an open failure.
#include <alsa/asoundlib.h>

#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

#include "platform/wave/Device.h"

namespace platform::wave {
namespace {
struct CardPcm {
    int card;
    int device;
    std::string name;
};

std::vector<CardPcm> ListPcms(bool capture)
{
    QuietAlsa();
    std::vector<CardPcm> list;
    snd_ctl_card_info_t* cardInfo = nullptr;
    snd_pcm_info_t* pcmInfo = nullptr;
    if (snd_ctl_card_info_malloc(&cardInfo) < 0 || snd_pcm_info_malloc(&pcmInfo) < 0) {
        snd_ctl_card_info_free(cardInfo);
        return list;
    }
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0) {
        char ctlName[32];
        std::snprintf(ctlName, sizeof ctlName, "hw:%d", card);
        snd_ctl_t* ctl = nullptr;
        if (snd_ctl_open(&ctl, ctlName, 0) < 0) {
            continue;
        }
        std::string cardName = ctlName;
        if (snd_ctl_card_info(ctl, cardInfo) == 0) {
            cardName = snd_ctl_card_info_get_name(cardInfo);
        }
        int device = -1;
        int found = 0;
        while (snd_ctl_pcm_next_device(ctl, &device) == 0 && device >= 0) {
            snd_pcm_info_set_device(pcmInfo, static_cast<unsigned>(device));
            snd_pcm_info_set_subdevice(pcmInfo, 0);
            snd_pcm_info_set_stream(pcmInfo, capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK);
            if (snd_ctl_pcm_info(ctl, pcmInfo) < 0) {
                continue;
            }
            // The names a user sees: the card's, with the PCM's for a card's further devices.
            list.push_back({card, device, found == 0 ? cardName : cardName + ": " + snd_pcm_info_get_name(pcmInfo)});
            ++found;
        }
        snd_ctl_close(ctl);
    }
    snd_pcm_info_free(pcmInfo);
    snd_ctl_card_info_free(cardInfo);
    return list;
}

MMRESULT OpenError(int err)
{
    if (err == -EBUSY || err == -EAGAIN) {
        return MMSYSERR_ALLOCATED;
    }
    return err == -ENOMEM ? MMSYSERR_NOMEM : MMSYSERR_NODRIVER;
}

class AlsaStream : public Backend {
public:
    AlsaStream(std::shared_ptr<Port> port, snd_pcm_t* pcm) : port_(std::move(port)), pcm_(pcm)
    {
        scratch_.resize(4096 * port_->format.nBlockAlign);
    }
    ~AlsaStream() override { Close(); }

    void Launch()
    {
        wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        thread_ = std::thread([this] { Run(); });
    }

    void Start() override
    {
        if (started_ || !port_->input) {
            return;
        }
        started_ = true;
        if (snd_pcm_state(pcm_) != SND_PCM_STATE_PREPARED) {
            snd_pcm_prepare(pcm_);
        }
        snd_pcm_start(pcm_);
        Wake();
    }

    void Stop() override
    {
        if (port_->input) {
            started_ = false;
            snd_pcm_drop(pcm_);
            snd_pcm_prepare(pcm_);
        }
    }

    void Reset() override
    {
        started_ = false;
        snd_pcm_drop(pcm_);
        snd_pcm_prepare(pcm_);
        written_ = 0;
        writeIndex_ = 0;
        writeOffset_ = 0;
        ends_.clear();
    }

    // Input fills queued headers as the device delivers: only output has more to do at once.
    void Queued() override
    {
        if (!port_->input) {
            Wake();
        }
    }

    void Close() override
    {
        {
            std::lock_guard lock(port_->mutex);
            quit_ = true;
            Wake();
        }
        if (thread_.joinable()) {
            thread_.join();
        }
        if (pcm_) {
            snd_pcm_drop(pcm_);
            snd_pcm_close(pcm_);
            pcm_ = nullptr;
        }
        if (wakeFd_ >= 0) {
            close(wakeFd_);
            wakeFd_ = -1;
        }
    }

private:
    // The device thread sleeps in poll on the device's descriptors (when it has
    // something to do there) and on wakeFd_, which every hook that changes what
    // is due writes to; it holds the port's mutex only while it moves samples.
    void Run()
    {
        // Named so a look at the process (top -H, /proc) tells the device threads apart.
        pthread_setname_np(pthread_self(), port_->input ? "alsa-in" : "alsa-out");
        std::vector<pollfd> fds;
        std::unique_lock lock(port_->mutex);
        while (!quit_) {
            bool device = false;
            int timeout = -1;
            if (port_->input) {
                Capture();
                // A device that does not run again after a recovery is retried, not polled.
                device = started_ && snd_pcm_state(pcm_) == SND_PCM_STATE_RUNNING;
                timeout = started_ && !device ? kRetryMs : -1;
            } else {
                timeout = Play();
                device = writeIndex_ < port_->Size();
            }
            const int count = device ? snd_pcm_poll_descriptors_count(pcm_) : 0;
            fds.assign(1 + static_cast<std::size_t>(count > 0 ? count : 0), pollfd{});
            fds[0] = {wakeFd_, POLLIN, 0};
            const int used = count > 0 ? snd_pcm_poll_descriptors(pcm_, fds.data() + 1, static_cast<unsigned>(count)) : 0;
            if (count > 0 && used <= 0) {
                timeout = kRetryMs;
            }
            if (wakeFd_ < 0 && (timeout < 0 || timeout > kUnwakeableMs)) {
                timeout = kUnwakeableMs;  // no descriptor to be woken through: look often instead
            }
            lock.unlock();
            poll(fds.data(), static_cast<nfds_t>(1 + (used > 0 ? used : 0)), timeout);
            lock.lock();
            if (fds[0].revents & POLLIN) {
                std::uint64_t wakes = 0;
                [[maybe_unused]] const ssize_t n = read(wakeFd_, &wakes, sizeof wakes);
            }
            if (used > 0 && !quit_) {
                // Plugins (a sound server's) reset their descriptors here.
                unsigned short revents = 0;
                snd_pcm_poll_descriptors_revents(pcm_, fds.data() + 1, static_cast<unsigned>(used), &revents);
            }
        }
    }

    // Port mutex held.
    void Wake()
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(wakeFd_, &one, sizeof one);
    }

    void Recover(long err)
    {
        snd_pcm_recover(pcm_, static_cast<int>(err), 1);
        if (port_->input && started_) {
            snd_pcm_start(pcm_);
        }
    }

    void Capture()
    {
        if (!started_) {
            return;
        }
        const std::size_t frame = port_->format.nBlockAlign;
        snd_pcm_sframes_t avail = snd_pcm_avail_update(pcm_);
        if (avail < 0) {
            Recover(avail);
            return;
        }
        while (avail > 0) {
            std::size_t frames = 0;
            char* dst = port_->FrontRoom(&frames);
            const bool toHeader = dst != nullptr;
            if (!toHeader) {
                // No header queued: drain what was captured, as a sound card loses it.
                dst = scratch_.data();
                frames = scratch_.size() / frame;
            }
            if (frames > static_cast<std::size_t>(avail)) {
                frames = static_cast<std::size_t>(avail);
            }
            const snd_pcm_sframes_t n = snd_pcm_readi(pcm_, dst, frames);
            if (n == -EAGAIN || n == 0) {
                break;
            }
            if (n < 0) {
                Recover(n);
                break;
            }
            avail -= n;
            if (toHeader) {
                port_->Advance(static_cast<std::size_t>(n));
            }
        }
    }

    // Returns the milliseconds until the next written header will have been
    // heard: -1 when none waits for that, kRetryMs when the device does not run.
    int Play()
    {
        const std::size_t frame = port_->format.nBlockAlign;
        snd_pcm_sframes_t avail = snd_pcm_avail_update(pcm_);
        if (avail < 0) {
            // An underrun means everything written has been heard.
            Finish(written_);
            snd_pcm_prepare(pcm_);
            avail = snd_pcm_avail_update(pcm_);
        }
        while (avail > 0 && writeIndex_ < port_->Size()) {
            const WAVEHDR* h = port_->At(writeIndex_);
            const std::size_t total = h->dwBufferLength / frame;
            if (writeOffset_ < total) {
                const std::size_t want = std::min<std::size_t>(total - writeOffset_, static_cast<std::size_t>(avail));
                const snd_pcm_sframes_t n = snd_pcm_writei(pcm_, h->lpData + writeOffset_ * frame, want);
                if (n == -EAGAIN || n == 0) {
                    break;
                }
                if (n < 0) {
                    Finish(written_);
                    snd_pcm_prepare(pcm_);
                    break;
                }
                written_ += static_cast<std::uint64_t>(n);
                writeOffset_ += static_cast<std::size_t>(n);
                avail -= n;
            }
            if (writeOffset_ >= total) {
                ends_.push_back(written_);
                ++writeIndex_;
                writeOffset_ = 0;
            }
        }
        // A full device starts too, or a header longer than its buffer would never play.
        if (snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED && (!ends_.empty() || (written_ > 0 && avail == 0))) {
            snd_pcm_start(pcm_);
        }
        snd_pcm_sframes_t delay = 0;
        std::uint64_t played = 0;
        if (snd_pcm_state(pcm_) == SND_PCM_STATE_RUNNING && snd_pcm_delay(pcm_, &delay) == 0) {
            const std::uint64_t queued = delay > 0 ? static_cast<std::uint64_t>(delay) : 0;
            played = written_ > queued ? written_ - queued : 0;
            Finish(played);
        } else if (snd_pcm_state(pcm_) == SND_PCM_STATE_XRUN) {
            Finish(written_);
            snd_pcm_prepare(pcm_);
            return -1;
        } else if (!ends_.empty()) {
            return kRetryMs;
        }
        if (ends_.empty()) {
            return -1;
        }
        const std::uint64_t rate = port_->format.nSamplesPerSec;
        return static_cast<int>(((ends_.front() - played) * 1000 + rate - 1) / rate) + 1;
    }

    // Returns every written header whose last frame has been played.
    void Finish(std::uint64_t played)
    {
        while (!ends_.empty() && ends_.front() <= played) {
            ends_.pop_front();
            port_->CompleteFront();
            --writeIndex_;
        }
    }

    // How often a device that does not answer is tried again.
    static constexpr int kRetryMs = 100;
    static constexpr int kUnwakeableMs = 5;

    std::shared_ptr<Port> port_;
    snd_pcm_t* pcm_;
    std::thread thread_;
    int wakeFd_ = -1;
    bool quit_ = false;
    bool started_ = false;
    std::vector<char> scratch_;
    // Output: frames handed to ALSA, the next header to write and how far, and
    // the running frame count at the end of each fully written header.
    std::uint64_t written_ = 0;
    std::size_t writeIndex_ = 0;
    std::size_t writeOffset_ = 0;
    std::deque<std::uint64_t> ends_;
};

class Alsa : public Driver {
public:
    UINT Count(bool input) override { return static_cast<UINT>(ListPcms(input).size()); }

    MMRESULT Name(bool input, UINT id, std::string* name) override
    {
        if (id == WAVE_MAPPER) {
            snd_pcm_t* pcm = nullptr;
            QuietAlsa();
            const int err = snd_pcm_open(&pcm, "default", input ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK,
                                         SND_PCM_NONBLOCK);
            if (err < 0 && err != -EBUSY) {
                return MMSYSERR_NODRIVER;
            }
            if (pcm) {
                snd_pcm_close(pcm);
            }
            *name = "Wave Mapper";
            return MMSYSERR_NOERROR;
        }
        const auto list = ListPcms(input);
        if (id >= list.size()) {
            return MMSYSERR_BADDEVICEID;
        }
        *name = list[id].name;
        return MMSYSERR_NOERROR;
    }

    MMRESULT Open(bool input, UINT id, const std::shared_ptr<Port>& port, std::shared_ptr<Backend>* backend) override
    {
        QuietAlsa();
        std::string device = "default";
        if (id != WAVE_MAPPER) {
            const auto list = ListPcms(input);
            if (id >= list.size()) {
                return MMSYSERR_BADDEVICEID;
            }
            device = "plughw:" + std::to_string(list[id].card) + "," + std::to_string(list[id].device);
        }
        snd_pcm_t* pcm = nullptr;
        int err = snd_pcm_open(&pcm, device.c_str(), input ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK,
                               SND_PCM_NONBLOCK);
        if (err < 0) {
            return OpenError(err);
        }
        const WAVEFORMATEX& f = port->format;
        // Capture wakes once a period (a quarter of the buffer): a second's buffer
        // wakes it four times a second and lets the recorder fall behind that long.
        err = snd_pcm_set_params(pcm, f.wBitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE,
                                 SND_PCM_ACCESS_RW_INTERLEAVED, f.nChannels, f.nSamplesPerSec,
                                 id == WAVE_MAPPER ? 1 : 0, input ? 1000000 : 500000);
        if (err < 0) {
            snd_pcm_close(pcm);
            return WAVERR_BADFORMAT;
        }
        auto stream = std::make_shared<AlsaStream>(port, pcm);
        stream->Launch();
        *backend = stream;
        return MMSYSERR_NOERROR;
    }
};
}

namespace {
void Silent(const char*, int, const char*, int, const char*, ...) {}
}

void QuietAlsa()
{
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(Silent); });
}

Driver& AlsaDriver()
{
    static Alsa driver;
    return driver;
}

int AlsaCaptureCard(UINT id)
{
    const auto list = ListPcms(true);
    return id < list.size() ? list[id].card : -1;
}
}
