// The mixer layer: CMixer wraps one mixer device, finds its recording
// (wave-in) destination, lists the sources that can feed it and makes one of
// them the recording source.  A stored source is a device index, a source
// identifier (dense, 0, 1, 2, ... in enumeration order) and a volume;
// ApplyRecordingSource turns those three numbers into mixer settings.
//
// User-interface thread only.  Nothing here shows a message: every operation
// reports failure through its result.
#pragma once

#include "mixer/mixerapi.h"

#include <memory>
#include <string>
#include <vector>

enum SelectMode : int {
    SEL_NONE = 0,   // no recording destination classified
    SEL_MUX = 1,    // the recording destination has a multiplexer
    SEL_SINGLE = 2, // no multiplexer, exactly one connection
    SEL_MUTE = 3,   // no multiplexer, several connections: select by muting the others
};

// One selectable source of a device.
struct MixerSource {
    DWORD deviceIndex = 0;
    int id = 0;
    std::string name;           // szName of the line the record was made from
    DWORD muxIndex = 0;         // matching multiplexer item (SEL_MUX)
    BOOL hasVolume = FALSE;     // the volume control is on this source's own line
    DWORD volumeLineId = 0;
    DWORD volumeControlId = 0;
    DWORD volume = 0;           // mean of the first two channels when made
    BOOL hasMute = FALSE;
    DWORD muteLineId = 0;
    DWORD muteControlId = 0;
    DWORD mute = 0;             // first channel when made
    BOOL selected = FALSE;      // its multiplexer item was set when made
    BOOL isMicrophone = FALSE;
};

// The device-level fields of an open device.
struct MixerDestination {
    DWORD deviceIndex = 0;
    std::string deviceName;
    DWORD destinationCount = 0;
    SelectMode selectMode = SEL_NONE;
    DWORD destLineId = 0;
    DWORD muxControlId = 0;
    DWORD connectionCount = 0;
    BOOL destHasMute = FALSE;   // SEL_MUTE only
    DWORD destMuteValue = 1;    // as found when opened
    DWORD destMuteControlId = 0;
};

class CMixer {
public:
    CMixer();
    virtual ~CMixer();
    CMixer(const CMixer&) = delete;
    CMixer& operator=(const CMixer&) = delete;

    UINT GetNumDevs() const;
    // Opens a device and reads its sources; the callback window may be null.
    // Opening the device that is already open returns at once.
    BOOL Open(int nDevice, HWND hCallbackWnd);
    // Resets the object when the device closes (or none was open).
    BOOL Close();

    const MixerDestination& GetDestination() const { return m_dest; }
    UINT GetSourceCount() const { return m_nSourceCount; }
    const MixerSource* GetSource(int id) const;
    // Identifier of the source found selected when opened; -1 when none.
    int GetSelectedId() const { return m_nSelectedId; }

    BOOL SelectSource(int id);
    BOOL SetSourceVolume(int id, DWORD value);
    BOOL SetSourceMute(int id, DWORD value);
    // Sets the volume control of any line (the control is found by type).
    BOOL SetLineVolume(DWORD lineId, DWORD controlId, DWORD value);

private:
    struct ControlValue {
        DWORD channels = 0;
        DWORD values[2] = {0, 0};
        DWORD Mean() const { return (values[0] + values[1]) / channels; }
    };
    // The volume and mute controls found on a line; the last of a type wins.
    struct LineControls {
        bool hasVolume = false;
        DWORD volumeControlId = 0;
        DWORD volume = 0;
        bool hasMute = false;
        DWORD muteControlId = 0;
        bool muteRead = false;
        DWORD mute = 0;
    };

    void Reset();
    HMIXEROBJ Obj() const { return reinterpret_cast<HMIXEROBJ>(m_hMixer); }
    bool FindWaveIn(MIXERLINE& line) const;
    void Classify();
    bool Enumerate();
    void ReadMuxSelection();
    LineControls ReadLineControls(const MIXERLINE& line) const;
    bool ReadControl(DWORD controlId, ControlValue& out) const;
    bool WriteControl(DWORD lineId, DWORD controlType, DWORD value);
    bool ReadMux(std::vector<DWORD>& values) const;
    MixerSource& AddSource(const std::string& name);

    HMIXER m_hMixer = nullptr;
    MixerDestination m_dest;
    std::vector<std::unique_ptr<MixerSource>> m_sources;
    UINT m_nDeviceCount = 0;
    int m_nOpenIndex = -1;
    UINT m_nSourceCount = 0;
    int m_nSelectedId = -1;
};

// Makes a stored source the recording source of its device: opens the device,
// selects the source, unmutes it and sets its volume (and in SEL_MUTE the
// recording destination's volume).  Does nothing when the device cannot be
// opened or the identifier names no source.
void ApplyRecordingSource(CMixer& mixer, int nDevIndex, int nSourceId, int nVolume, HWND hCallbackWnd = nullptr);
