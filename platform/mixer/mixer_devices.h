// The devices behind the mixer functions.  Every device, whatever backs it,
// is held as one model: lines, controls and their current values.  A device
// model described in data keeps its values in the model; an ALSA card reads
// them from the card before each read and writes them to it after each
// change (Refresh/Commit).
//
// The text form of device models (QX_MIXER_MODEL names such a file), one
// item per line, '#' starts a comment line:
//
//   device "Model Audio"
//   destination "Recording Control" type=wavein channels=2
//   control volume "Recording Volume" value=30000,40000
//   control mux "Recording Source" value=0,1
//   source "Microphone" type=microphone channels=1
//   control mute "Mic Mute" value=1 uniform
//   source "Line In" type=line unreadable
//
// A destination belongs to the last device, a source to the last destination,
// a control to the last destination or source.  Attributes:
//   lines:    type=<name or number> channels=N short="..."  unreadable
//             (its line information cannot be read)  controls-unreadable
//             (its control list cannot be read)
//   controls: kind volume, mute, mux, mixer, boolean or type=<number>;
//             value=v[,v...] (one value fills all; else [channel][item])
//             uniform  min=N max=N  items="a","b"  (list controls: item texts,
//             by default the names of the destination's sources)
//             unreadable (details cannot be read)  fails-write
// Mux and mixer controls are uniform and multiple.  Volume controls range
// 0-65535, other controls 0-1 unless min/max say otherwise.
#pragma once

#include "mixerapi.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct MixerControlModel {
    DWORD id = 0;
    DWORD type = 0;
    DWORD flags = 0;
    std::string shortName;
    std::string name;
    LONG minimum = 0;
    LONG maximum = 1;
    DWORD steps = 0;
    std::vector<std::string> items;   // item texts of a MULTIPLE control
    std::vector<DWORD> itemLineIds;   // source line behind each item, 0 if none
    std::vector<DWORD> itemTypes;     // its component type
    std::vector<LONG> values;         // [channel][item]
    bool unreadable = false;
    bool failsWrite = false;

    DWORD Channels(DWORD lineChannels) const { return flags & MIXERCONTROL_CONTROLF_UNIFORM ? 1 : lineChannels; }
    DWORD ItemCount() const { return flags & MIXERCONTROL_CONTROLF_MULTIPLE ? static_cast<DWORD>(items.size()) : 1; }
};

struct MixerLineModel {
    DWORD lineId = 0;
    DWORD destination = 0;
    DWORD source = 0;
    bool isSource = false;
    DWORD componentType = 0;
    DWORD channels = 1;
    std::string shortName;
    std::string name;
    bool unreadable = false;
    bool controlsUnreadable = false;
    std::vector<MixerControlModel> controls;
    std::vector<MixerLineModel> sources; // destinations only
};

class MixerDeviceModel {
public:
    virtual ~MixerDeviceModel() = default;

    std::string name;
    std::vector<MixerLineModel> destinations;
    // Successful mixerSetControlDetails calls on this device.
    unsigned writeCount = 0;

    // Brings a control's values up to date before a read; the default keeps
    // the model's own values.
    virtual MMRESULT Refresh(const MixerLineModel&, MixerControlModel&) { return MMSYSERR_NOERROR; }
    // Carries changed values to the hardware.
    virtual MMRESULT Commit(const MixerLineModel&, MixerControlModel&) { return MMSYSERR_NOERROR; }

    // Numbers lines and controls as mixerapi.h describes and fills the
    // source details of list items.  Called once the lines are in place.
    void AssignIds();
    MixerLineModel* FindLine(DWORD lineId);
    // The control and the line that holds it.
    MixerControlModel* FindControl(DWORD controlId, MixerLineModel** line);
};

using MixerDevices = std::vector<std::shared_ptr<MixerDeviceModel>>;

// Parses the text form above.  On failure returns nothing and says why
// (with the line number) in *error.
std::optional<MixerDevices> ParseMixerModel(std::string_view text, std::string* error);

// Puts devices in place of the environment's choice for this process (tests);
// nullopt goes back to it.
void InstallMixerDevices(std::optional<MixerDevices> devices);

// One device per ALSA sound card; none on a machine without cards.
MixerDevices LoadAlsaMixerDevices();
