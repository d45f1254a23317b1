#pragma once
// Sound-card mixer wrapper: one mixer, opened for one command. The input-line
// commands read and set the capture-source selector of the wave-in
// destination; volume and mute of the speakers and wave-in source lines are
// reached by line type or line name.
#include "platform/mixer/Mixer.h"

class SMixer {
public:
    // The mixer whose product name equals productName ignoring case; null or empty = mixer 0.
    SMixer(const char* productName, HWND notifyWindow);
    explicit SMixer(UINT mixerId);
    // Only for MIXER_OBJECTF_WAVEIN: the mixer of the wave-input device named deviceName.
    SMixer(DWORD objectType, const char* deviceName, HWND notifyWindow);
    virtual ~SMixer();
    SMixer(const SMixer&) = delete;
    SMixer& operator=(const SMixer&) = delete;

    int GetDestinationCount();
    // Copies the product name (bounded by size); false on failure.
    bool GetName(char* buffer, std::size_t size);

    DWORD FindPlayLine(DWORD componentType);
    DWORD FindRecordLine(DWORD componentType);
    DWORD FindPlayLineByName(const char* name);
    DWORD FindRecordLineByName(const char* name);
    static DWORD ComponentTypeFromName(const char* name);

    bool SetPlayVolume(DWORD componentType, int level);
    bool SetPlayVolume(const char* lineName, int level);
    int GetPlayVolume(DWORD componentType);
    int GetPlayVolume(const char* lineName);
    bool SetPlayMute(DWORD componentType, bool on);
    bool SetPlayMute(const char* lineName, bool on);
    bool GetPlayMute(DWORD componentType);
    bool GetPlayMute(const char* lineName);
    bool SetRecordVolume(DWORD componentType, int level);
    bool SetRecordVolume(const char* lineName, int level);
    int GetRecordVolume(DWORD componentType);
    int GetRecordVolume(const char* lineName);

    // The input selector of the wave-in destination.
    int GetRecordLineCount();
    bool GetRecordLineName(int index, char* buffer, std::size_t size);
    bool GetSelectedRecordLine(char* buffer, std::size_t size);
    bool SelectRecordLine(const char* name);

    HMIXER mixer = nullptr;
    HWND notifyWindow = nullptr;

private:
    void Open(UINT id, DWORD flags);
    DWORD FindSourceLine(DWORD destinationType, DWORD componentType);
    DWORD FindSourceLineByName(DWORD destinationType, const char* name);
    bool GetControl(DWORD lineId, DWORD controlType, MIXERCONTROLA* control);
    bool SetValue(DWORD destinationType, DWORD componentType, DWORD controlType, LONG (*toValue)(const MIXERCONTROLA&, int),
                  int level);
    bool GetValue(DWORD destinationType, DWORD componentType, DWORD controlType, LONG* value, MIXERCONTROLA* control);
    bool FindSelector(MIXERCONTROLA* selector);
};
