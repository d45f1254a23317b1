#pragma once
// Shared by the wave tests: five engine-style buffers and message helpers.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/user/Messages.h"
#include "platform/wave/Wave.h"

namespace wavetest {
inline WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits) { return MakePcmFormat(channels, rate, bits); }

// Five headers of one fifth of a second each, dwUser = index, as the recorder sets them up.
struct Buffers {
    explicit Buffers(const WAVEFORMATEX& f, std::size_t count = 5)
        : data(count, std::vector<char>(45000)), headers(count)
    {
        const DWORD length = f.nAvgBytesPerSec / 5 / f.nBlockAlign * f.nBlockAlign;
        for (std::size_t i = 0; i < count; ++i) {
            headers[i] = WAVEHDR{};
            headers[i].lpData = data[i].data();
            headers[i].dwBufferLength = length;
            headers[i].dwUser = i;
            headers[i].dwLoops = 1;
        }
    }
    std::vector<std::vector<char>> data;
    std::vector<WAVEHDR> headers;
    WAVEHDR* operator[](std::size_t i) { return &headers[i]; }
};

inline HWND Window() { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1234)); }

// Owns buffers for a fixture, so they outlive the reset in its TearDown.
struct BufferOwner {
    Buffers& Make(const WAVEFORMATEX& f, std::size_t count = 5)
    {
        owned.push_back(std::make_unique<Buffers>(f, count));
        return *owned.back();
    }
    std::vector<std::unique_ptr<Buffers>> owned;
};

// The devices a fixture opens, and its buffers; CloseDevices returns every
// queued buffer before the buffers go.
struct DeviceOwner : BufferOwner {
    HWAVEIN in = nullptr;
    HWAVEOUT out = nullptr;
    WAVEFORMATEX format = Pcm(1, 22050, 16);

    // Opens the mapper's input in `format` with window messages and queues every buffer.
    void OpenInput(Buffers& b)
    {
        ASSERT_EQ(waveInOpen(&in, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(Window()), 0, CALLBACK_WINDOW),
                  MMSYSERR_NOERROR);
        for (auto& h : b.headers) {
            ASSERT_EQ(waveInPrepareHeader(in, &h, sizeof h), MMSYSERR_NOERROR);
            ASSERT_EQ(waveInAddBuffer(in, &h, sizeof h), MMSYSERR_NOERROR);
        }
    }
    void CloseDevices()
    {
        if (in) {
            waveInReset(in);
            waveInClose(in);
        }
        if (out) {
            waveOutReset(out);
            waveOutClose(out);
        }
    }
};

// Takes every waiting message of the given number.
inline std::vector<MSG> Take(UINT message)
{
    std::vector<MSG> out;
    MSG m{};
    while (PeekMessage(&m, nullptr, message, message, PM_REMOVE)) {
        out.push_back(m);
    }
    return out;
}

inline std::vector<std::uint8_t> Bytes(const char* p, std::size_t n)
{
    return {reinterpret_cast<const std::uint8_t*>(p), reinterpret_cast<const std::uint8_t*>(p) + n};
}
inline std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& v, std::size_t at, std::size_t n)
{
    return {v.begin() + static_cast<long>(at), v.begin() + static_cast<long>(at + n)};
}

inline WAVEHDR* HeaderOf(const MSG& m) { return reinterpret_cast<WAVEHDR*>(m.lParam); }

// A PCM WAV file with the given sample bytes.
std::vector<std::uint8_t> WavBytes(const WAVEFORMATEX& f, const std::vector<std::uint8_t>& samples);
std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed);
}
