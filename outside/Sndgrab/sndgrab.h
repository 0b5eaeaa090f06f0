// Sndgrab: the capture library.  It records a device of the sound server (the
// monitor of an output, which is what the PC plays, or an input) in the PCM
// format the caller asks, and manages the devices' volume and mute.
//
// Devices are the server's sources in the server's order; a device index is
// a position in that order, and -1 always means the default device: the
// monitor of the default output (or, when there is none, the server's default
// source).  Every call connects on its own, so the library works whenever a
// server is reachable and degrades to "no devices" when none is: nothing here
// blocks for long or crashes without a server.
#pragma once

#include "core/waveformat.h"
#include "core/wintypes.h"

#include <cstdint>
#include <memory>

#define SNDGRAB_API __attribute__((visibility("default")))

class CFile;

using tWAVEFORMATEX = WAVEFORMATEX;

// The callback's user value is pointer-sized (DWORD_PTR) so that a caller can
// pass an object pointer: a 32-bit value would cut a 64-bit address in half.

// Called on the library's capture thread with one chunk: whole frames of the
// format given to Open, at most one second (about 100 ms), in order.
// durationMs values add up to the exact length of everything delivered
// (rounding is carried from chunk to chunk).  data is valid only during the
// call.  The callback must not call Close of the same NWaveRec.
using PcmChunkCallback = void (*)(const BYTE* data, DWORD bytes, DWORD durationMs, DWORD_PTR user);

// One device as NSndOption lists it.  The first six fields are those callers
// read; the rest is extra information.
struct stNSndDevInfo {
    int index;        // the entry's own index (its position in the list)
    const char* name; // the device's description; "" means no device
    int hasVolume;    // non-zero: volume and mute can be set
    int flagA;        // non-zero: a monitor (records what an output plays)
    int flagB;        // non-zero: capture from this device is possible
    int state;        // 0 running, 1 idle, 2 suspended, 3 unavailable
    float volume;     // 0.0-1.0 when the list was taken
    int mute;         // non-zero when muted when the list was taken
    DWORD samplesPerSec; // the device's own format
    WORD channels;
};

class SNDGRAB_API NWaveRec {
public:
    NWaveRec();
    ~NWaveRec(); // closes
    NWaveRec(const NWaveRec&) = delete;
    NWaveRec& operator=(const NWaveRec&) = delete;

    // Non-zero when device (-1: the default) is the monitor of an output, so
    // recording it records what the PC plays.  0 without a server.
    static int IsLoopback(int device);

    // The device's own format: its rate and channel count, with the bit
    // count of its native samples (tag 1; tag 3 for float samples).  All zero
    // (channels 0) when there is no such device or no server.
    static tWAVEFORMATEX GetDefaultFormat(int device);

    // Starts capturing device (-1: the default) as PCM of rate, bits (8, 16,
    // 24 or 32) and channels; the server converts from the device's own
    // format.  Chunks go to callback with user on a library thread until
    // Close.  Non-zero on success; 0 when already open, for a format or
    // device that does not exist, or without a server.  Returns once the
    // capture runs.  Not thread-safe: one controlling thread.
    int Open(int rate, WORD bits, int channels, PcmChunkCallback callback, DWORD_PTR user, int device);

    // Stops capturing.  When it returns no callback runs and none will start.
    // A partly filled chunk is dropped.  Safe when not open (returns 1); 0 when
    // called from the callback itself, which cannot wait for itself.
    int Close();

    // Writes the canonical 44-byte RIFF/WAVE PCM header at the file's current
    // position: RIFF size 36 + dataBytes, a 16-byte fmt chunk with tag 1, then
    // the data chunk header with dataBytes.  Non-zero on success.
    static int WriteWaveHeader(CFile* file, WORD bitsPerSample, WORD channels, DWORD samplesPerSec,
                               DWORD dataBytes);

private:
    struct Capture;
    std::unique_ptr<Capture> m_capture;
};

// The device list and the devices' volume and mute, as the device page uses
// them.  Not thread-safe: one user-interface thread.
class SNDGRAB_API NSndOption {
public:
    NSndOption();
    ~NSndOption();
    NSndOption(const NSndOption&) = delete;
    NSndOption& operator=(const NSndOption&) = delete;

    // Takes the device list and remembers every device's volume and mute and
    // the selection (the default device) for RollbackDevInfos.  Call it first;
    // calling it again takes a fresh list (earlier GetInfo pointers die).
    // Non-zero when a server answered.
    int SetWork();

    // The default device's index (see the top of this file); -1 when there is
    // no device.
    int GetDefaultIndex();
    int GetInfoCount();
    // The entry at index (-1: the default); null when there is none.  Owned by
    // this object, valid until the next SetWork.
    stNSndDevInfo* GetInfo(int index);

    // The selection is this object's own; it does not change the server.
    int SelectDevInfo(int index); // non-zero when index names an entry
    int GetDevInfoIndex();

    // Volume 0.0-1.0 of the device's source on the server, read and written
    // now (the balance between channels is kept).  Non-zero on success.
    int GetDevValue(int index, float& value);
    int SetDevValue(int index, float value);
    int SetDevMute(int index, int mute);

    // Restores the volume and mute of every device changed since SetWork and
    // the selection SetWork made.
    void RollbackDevInfos();

private:
    struct State;
    std::unique_ptr<State> m_state;
};
