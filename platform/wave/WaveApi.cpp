// The waveIn*/waveOut* entry points: argument and header checks, the handle
// table, and the queue rules; the drivers only move samples.
#include <algorithm>
#include <map>

#include "platform/core/Strings.h"
#include "platform/wave/Device.h"

namespace platform::wave {
namespace {
struct OpenDevice {
    bool input = false;
    std::shared_ptr<Port> port;
    std::shared_ptr<Backend> backend;
};

struct Table {
    std::mutex mutex;
    std::map<const void*, std::shared_ptr<OpenDevice>> devices;
};

Table& Devices()
{
    static Table table;
    return table;
}

// A handle that is not open (never opened, closed, or of the other direction) is refused, not followed.
std::shared_ptr<OpenDevice> Find(const void* handle, bool input)
{
    std::lock_guard lock(Devices().mutex);
    const auto it = Devices().devices.find(handle);
    if (it == Devices().devices.end() || it->second->input != input) {
        return nullptr;
    }
    return it->second;
}

// The recorder opens devices with 8- or 16-bit PCM, one or two channels, 1..100000 Hz.
MMRESULT CheckFormat(const WAVEFORMATEX* f)
{
    if (!f) {
        return MMSYSERR_INVALPARAM;
    }
    if (f->wFormatTag != WAVE_FORMAT_PCM || f->nChannels < 1 || f->nChannels > 2 ||
        (f->wBitsPerSample != 8 && f->wBitsPerSample != 16) || f->nSamplesPerSec < 1 || f->nSamplesPerSec > 100000) {
        return WAVERR_BADFORMAT;
    }
    const DWORD align = static_cast<DWORD>(f->nChannels) * f->wBitsPerSample / 8;
    if (f->nBlockAlign != align || f->nAvgBytesPerSec != f->nSamplesPerSec * align) {
        return WAVERR_BADFORMAT;
    }
    return MMSYSERR_NOERROR;
}

MMRESULT GetCaps(bool input, UINT_PTR id, char* name, UINT nameSize)
{
    std::string text;
    const MMRESULT r = CurrentDriver().Name(input, static_cast<UINT>(id), &text);
    if (r == MMSYSERR_NOERROR) {
        platform::CopyBounded(name, nameSize, text);
    }
    return r;
}

MMRESULT Open(bool input, void** out, UINT id, const WAVEFORMATEX* format, DWORD_PTR callback, DWORD flags)
{
    if (!out && !(flags & WAVE_FORMAT_QUERY)) {
        return MMSYSERR_INVALPARAM;
    }
    if (out) {
        *out = nullptr;
    }
    if (const MMRESULT r = CheckFormat(format); r != MMSYSERR_NOERROR) {
        return r;
    }
    const DWORD type = flags & CALLBACK_TYPEMASK;
    if (type != CALLBACK_NULL && type != CALLBACK_WINDOW) {
        return MMSYSERR_INVALFLAG;
    }
    WAVEFORMATEX pcm = *format;
    pcm.cbSize = 0;
    auto device = std::make_shared<OpenDevice>();
    device->input = input;
    device->port = std::make_shared<Port>(input, pcm, reinterpret_cast<HWND>(callback), type == CALLBACK_WINDOW,
                                          device.get());
    const MMRESULT r = CurrentDriver().Open(input, id, device->port, &device->backend);
    if (r != MMSYSERR_NOERROR) {
        return r;
    }
    if (flags & WAVE_FORMAT_QUERY) {
        device->backend->Close();
        return MMSYSERR_NOERROR;
    }
    {
        std::lock_guard lock(Devices().mutex);
        Devices().devices.emplace(device.get(), device);
    }
    *out = device.get();
    return MMSYSERR_NOERROR;
}

MMRESULT Close(const void* handle, bool input)
{
    auto device = Find(handle, input);
    if (!device) {
        return MMSYSERR_INVALHANDLE;
    }
    {
        std::lock_guard lock(device->port->mutex);
        if (!device->port->Empty()) {
            return WAVERR_STILLPLAYING;
        }
        if (input) {
            device->backend->Stop();
        }
    }
    {
        std::lock_guard lock(Devices().mutex);
        Devices().devices.erase(handle);
    }
    device->backend->Close();
    return MMSYSERR_NOERROR;
}

MMRESULT CheckHeader(const WAVEHDR* h, UINT size)
{
    return h && size >= sizeof(WAVEHDR) ? MMSYSERR_NOERROR : MMSYSERR_INVALPARAM;
}

MMRESULT Prepare(const void* handle, bool input, WAVEHDR* h, UINT size)
{
    auto device = Find(handle, input);
    if (!device) {
        return MMSYSERR_INVALHANDLE;
    }
    if (CheckHeader(h, size) != MMSYSERR_NOERROR || !h->lpData || h->dwBufferLength == 0) {
        return MMSYSERR_INVALPARAM;
    }
    std::lock_guard lock(device->port->mutex);
    h->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT Unprepare(const void* handle, bool input, WAVEHDR* h, UINT size)
{
    auto device = Find(handle, input);
    if (!device) {
        return MMSYSERR_INVALHANDLE;
    }
    if (CheckHeader(h, size) != MMSYSERR_NOERROR) {
        return MMSYSERR_INVALPARAM;
    }
    std::lock_guard lock(device->port->mutex);
    if (h->dwFlags & WHDR_INQUEUE) {
        return WAVERR_STILLPLAYING;
    }
    h->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT Queue(const void* handle, bool input, WAVEHDR* h, UINT size)
{
    auto device = Find(handle, input);
    if (!device) {
        return MMSYSERR_INVALHANDLE;
    }
    if (CheckHeader(h, size) != MMSYSERR_NOERROR || !h->lpData || h->dwBufferLength == 0) {
        return MMSYSERR_INVALPARAM;
    }
    std::lock_guard lock(device->port->mutex);
    if (!(h->dwFlags & WHDR_PREPARED)) {
        return WAVERR_UNPREPARED;
    }
    if (h->dwFlags & WHDR_INQUEUE) {
        return WAVERR_STILLPLAYING;
    }
    if (input) {
        h->dwBytesRecorded = 0;
    }
    h->dwFlags = (h->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    device->port->Push(h);
    device->backend->Queued();
    return MMSYSERR_NOERROR;
}

MMRESULT Reset(const void* handle, bool input)
{
    auto device = Find(handle, input);
    if (!device) {
        return MMSYSERR_INVALHANDLE;
    }
    std::lock_guard lock(device->port->mutex);
    device->backend->Reset();
    if (input) {
        device->port->ResetInput();
    }
    device->port->CompleteAll();
    return MMSYSERR_NOERROR;
}
}
}

using namespace platform::wave;

UINT waveInGetNumDevs() { return CurrentDriver().Count(true); }

MMRESULT waveInGetDevCapsA(UINT_PTR deviceId, LPWAVEINCAPSA caps, UINT size)
{
    if (!caps || size < sizeof(WAVEINCAPSA)) {
        return MMSYSERR_INVALPARAM;
    }
    *caps = WAVEINCAPSA{};
    const MMRESULT r = GetCaps(true, deviceId, caps->szPname, sizeof caps->szPname);
    caps->dwFormats = 0xFFF;  // every 8/16-bit mono/stereo format at 11, 22 and 44 kHz
    caps->wChannels = 2;
    return r;
}

MMRESULT waveInOpen(LPHWAVEIN handle, UINT deviceId, const WAVEFORMATEX* format, DWORD_PTR callback,
                    DWORD_PTR /*instance*/, DWORD flags)
{
    void* h = nullptr;
    const MMRESULT r = Open(true, handle ? &h : nullptr, deviceId, format, callback, flags);
    if (handle) {
        *handle = static_cast<HWAVEIN>(h);
    }
    return r;
}

UINT waveInGetRefusalTextA(LPSTR text, UINT size)
{
    const std::string why = CurrentDriver().Refusal();
    if (!text || size == 0 || why.empty()) {
        return 0;
    }
    platform::CopyBounded(text, size, why);
    return static_cast<UINT>(std::min<std::size_t>(why.size(), size - 1));
}

MMRESULT waveInClose(HWAVEIN handle) { return Close(handle, true); }
MMRESULT waveInPrepareHeader(HWAVEIN handle, LPWAVEHDR header, UINT size) { return Prepare(handle, true, header, size); }
MMRESULT waveInUnprepareHeader(HWAVEIN handle, LPWAVEHDR header, UINT size)
{
    return Unprepare(handle, true, header, size);
}
MMRESULT waveInAddBuffer(HWAVEIN handle, LPWAVEHDR header, UINT size) { return Queue(handle, true, header, size); }

MMRESULT waveInStart(HWAVEIN handle)
{
    auto device = Find(handle, true);
    if (!device) {
        return MMSYSERR_INVALHANDLE;
    }
    std::lock_guard lock(device->port->mutex);
    device->port->StartInput();
    device->backend->Start();
    return MMSYSERR_NOERROR;
}

// Stop returns the header being filled when it holds data, after what the
// device captured before the stop has gone into the queued headers; empty ones stay queued.
MMRESULT waveInStop(HWAVEIN handle)
{
    auto device = Find(handle, true);
    if (!device) {
        return MMSYSERR_INVALHANDLE;
    }
    std::lock_guard lock(device->port->mutex);
    device->backend->Stop();
    device->port->StopInput();
    return MMSYSERR_NOERROR;
}

MMRESULT waveInReset(HWAVEIN handle) { return Reset(handle, true); }

MMRESULT waveInGetPosition(HWAVEIN handle, LPMMTIME time, UINT size)
{
    auto device = Find(handle, true);
    if (!device) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!time || size < sizeof(MMTIME)) {
        return MMSYSERR_INVALPARAM;
    }
    std::uint64_t bytes = 0;
    {
        std::lock_guard lock(device->port->mutex);
        bytes = device->port->Captured();
    }
    const WAVEFORMATEX& f = device->port->format;
    if (time->wType == TIME_SAMPLES && f.nBlockAlign) {
        time->u.sample = static_cast<DWORD>(bytes / f.nBlockAlign);
    } else if (time->wType == TIME_MS && f.nAvgBytesPerSec) {
        time->u.ms = static_cast<DWORD>(bytes * 1000 / f.nAvgBytesPerSec);
    } else {
        time->wType = TIME_BYTES;
        time->u.cb = static_cast<DWORD>(bytes);
    }
    return MMSYSERR_NOERROR;
}

UINT waveOutGetNumDevs() { return CurrentDriver().Count(false); }

MMRESULT waveOutGetDevCapsA(UINT_PTR deviceId, LPWAVEOUTCAPSA caps, UINT size)
{
    if (!caps || size < sizeof(WAVEOUTCAPSA)) {
        return MMSYSERR_INVALPARAM;
    }
    *caps = WAVEOUTCAPSA{};
    const MMRESULT r = GetCaps(false, deviceId, caps->szPname, sizeof caps->szPname);
    caps->dwFormats = 0xFFF;
    caps->wChannels = 2;
    return r;
}

MMRESULT waveOutOpen(LPHWAVEOUT handle, UINT deviceId, const WAVEFORMATEX* format, DWORD_PTR callback,
                     DWORD_PTR /*instance*/, DWORD flags)
{
    void* h = nullptr;
    const MMRESULT r = Open(false, handle ? &h : nullptr, deviceId, format, callback, flags);
    if (handle) {
        *handle = static_cast<HWAVEOUT>(h);
    }
    return r;
}

MMRESULT waveOutClose(HWAVEOUT handle) { return Close(handle, false); }
MMRESULT waveOutPrepareHeader(HWAVEOUT handle, LPWAVEHDR header, UINT size)
{
    return Prepare(handle, false, header, size);
}
MMRESULT waveOutUnprepareHeader(HWAVEOUT handle, LPWAVEHDR header, UINT size)
{
    return Unprepare(handle, false, header, size);
}
MMRESULT waveOutWrite(HWAVEOUT handle, LPWAVEHDR header, UINT size) { return Queue(handle, false, header, size); }
MMRESULT waveOutReset(HWAVEOUT handle) { return Reset(handle, false); }
