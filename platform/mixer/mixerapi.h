// The multimedia mixer functions: devices with destination lines, source
// lines connected to them, and controls on every line.  Structures, flags and
// numbers are those of the ANSI Windows interface, so a caller written for it
// reads the same here.
//
// Which devices stand behind the functions (see mixer_devices.h): device
// models installed in code by a test, else the models of the file named by
// QX_MIXER_MODEL, else one device per ALSA sound card of the machine.
//
// Line identifiers: destination d is 0xFFFF0000 | d, source s of destination
// d is ((s + 1) << 16) | d.  Control identifiers count from 1 within a device.
// Neither is ever 0, which callers keep for "none".
//
// Control values are exchanged as 4-byte details laid out [channel][item].
// A non-uniform control may be addressed with one channel (the value then
// stands for every channel) or with the line's channel count; a uniform
// control with one channel only.  cMultipleItems must be the control's item
// count for a MULTIPLE control and 0 otherwise.
//
// A callback window given to mixerOpen is accepted, but no change
// notification is posted to it: nothing in the system reacts to them.
//
// All functions are thread-safe.
#pragma once

#include "core/mmresult.h"
#include "core/wintypes.h"

using MMVERSION = UINT;
struct HMIXER__;
using HMIXER = HMIXER__*;
struct HMIXEROBJ__;
using HMIXEROBJ = HMIXEROBJ__*;

// Results of the mixer beyond core/mmresult.h.
enum : MMRESULT {
    MIXERR_INVALLINE = 1024,
    MIXERR_INVALCONTROL = 1025,
    MIXERR_INVALVALUE = 1026,
};

constexpr int MAXPNAMELEN = 32;
constexpr int MIXER_SHORT_NAME_CHARS = 16;
constexpr int MIXER_LONG_NAME_CHARS = 64;

// mixerOpen flags.
constexpr DWORD CALLBACK_TYPEMASK = 0x00070000;
constexpr DWORD CALLBACK_NULL = 0x00000000;
constexpr DWORD CALLBACK_WINDOW = 0x00010000;

// How the HMIXEROBJ argument is to be taken (or-ed into the query flags).
constexpr DWORD MIXER_OBJECTF_HANDLE = 0x80000000;
constexpr DWORD MIXER_OBJECTF_MIXER = 0x00000000;
constexpr DWORD MIXER_OBJECTF_HMIXER = MIXER_OBJECTF_HANDLE | MIXER_OBJECTF_MIXER;
constexpr DWORD MIXER_OBJECTF_TYPEMASK = 0xF0000000;

constexpr DWORD MIXER_GETLINEINFOF_DESTINATION = 0x00000000;
constexpr DWORD MIXER_GETLINEINFOF_SOURCE = 0x00000001;
constexpr DWORD MIXER_GETLINEINFOF_LINEID = 0x00000002;
constexpr DWORD MIXER_GETLINEINFOF_COMPONENTTYPE = 0x00000003;
constexpr DWORD MIXER_GETLINEINFOF_QUERYMASK = 0x0000000F;

constexpr DWORD MIXER_GETLINECONTROLSF_ALL = 0x00000000;
constexpr DWORD MIXER_GETLINECONTROLSF_ONEBYID = 0x00000001;
constexpr DWORD MIXER_GETLINECONTROLSF_ONEBYTYPE = 0x00000002;
constexpr DWORD MIXER_GETLINECONTROLSF_QUERYMASK = 0x0000000F;

constexpr DWORD MIXER_GETCONTROLDETAILSF_VALUE = 0x00000000;
constexpr DWORD MIXER_GETCONTROLDETAILSF_LISTTEXT = 0x00000001;
constexpr DWORD MIXER_GETCONTROLDETAILSF_QUERYMASK = 0x0000000F;
constexpr DWORD MIXER_SETCONTROLDETAILSF_VALUE = 0x00000000;
constexpr DWORD MIXER_SETCONTROLDETAILSF_QUERYMASK = 0x0000000F;

// MIXERLINE.fdwLine
constexpr DWORD MIXERLINE_LINEF_ACTIVE = 0x00000001;
constexpr DWORD MIXERLINE_LINEF_DISCONNECTED = 0x00008000;
constexpr DWORD MIXERLINE_LINEF_SOURCE = 0x80000000;

// MIXERLINE.dwComponentType
enum : DWORD {
    MIXERLINE_COMPONENTTYPE_DST_UNDEFINED = 0,
    MIXERLINE_COMPONENTTYPE_DST_DIGITAL = 1,
    MIXERLINE_COMPONENTTYPE_DST_LINE = 2,
    MIXERLINE_COMPONENTTYPE_DST_MONITOR = 3,
    MIXERLINE_COMPONENTTYPE_DST_SPEAKERS = 4,
    MIXERLINE_COMPONENTTYPE_DST_HEADPHONES = 5,
    MIXERLINE_COMPONENTTYPE_DST_TELEPHONE = 6,
    MIXERLINE_COMPONENTTYPE_DST_WAVEIN = 7,
    MIXERLINE_COMPONENTTYPE_DST_VOICEIN = 8,
    MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED = 0x1000,
    MIXERLINE_COMPONENTTYPE_SRC_DIGITAL = 0x1001,
    MIXERLINE_COMPONENTTYPE_SRC_LINE = 0x1002,
    MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE = 0x1003,
    MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER = 0x1004,
    MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC = 0x1005,
    MIXERLINE_COMPONENTTYPE_SRC_TELEPHONE = 0x1006,
    MIXERLINE_COMPONENTTYPE_SRC_PCSPEAKER = 0x1007,
    MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT = 0x1008,
    MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY = 0x1009,
    MIXERLINE_COMPONENTTYPE_SRC_ANALOG = 0x100A,
};

// MIXERLINE.Target.dwType
constexpr DWORD MIXERLINE_TARGETTYPE_UNDEFINED = 0;
constexpr DWORD MIXERLINE_TARGETTYPE_WAVEOUT = 1;
constexpr DWORD MIXERLINE_TARGETTYPE_WAVEIN = 2;

// MIXERCONTROL.fdwControl
constexpr DWORD MIXERCONTROL_CONTROLF_UNIFORM = 0x00000001;
constexpr DWORD MIXERCONTROL_CONTROLF_MULTIPLE = 0x00000002;
constexpr DWORD MIXERCONTROL_CONTROLF_DISABLED = 0x80000000;

// MIXERCONTROL.dwControlType: class, subclass and units, then the types.
constexpr DWORD MIXERCONTROL_CT_CLASS_MASK = 0xF0000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_CUSTOM = 0x00000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_SWITCH = 0x20000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_FADER = 0x50000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_LIST = 0x70000000;
constexpr DWORD MIXERCONTROL_CT_SC_SWITCH_BOOLEAN = 0x00000000;
constexpr DWORD MIXERCONTROL_CT_SC_LIST_SINGLE = 0x00000000;
constexpr DWORD MIXERCONTROL_CT_SC_LIST_MULTIPLE = 0x01000000;
constexpr DWORD MIXERCONTROL_CT_UNITS_MASK = 0x00FF0000;
constexpr DWORD MIXERCONTROL_CT_UNITS_CUSTOM = 0x00000000;
constexpr DWORD MIXERCONTROL_CT_UNITS_BOOLEAN = 0x00010000;
constexpr DWORD MIXERCONTROL_CT_UNITS_SIGNED = 0x00020000;
constexpr DWORD MIXERCONTROL_CT_UNITS_UNSIGNED = 0x00030000;
constexpr DWORD MIXERCONTROL_CT_UNITS_DECIBELS = 0x00040000;
constexpr DWORD MIXERCONTROL_CT_UNITS_PERCENT = 0x00050000;

constexpr DWORD MIXERCONTROL_CONTROLTYPE_CUSTOM = MIXERCONTROL_CT_CLASS_CUSTOM | MIXERCONTROL_CT_UNITS_CUSTOM;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_BOOLEAN =
    MIXERCONTROL_CT_CLASS_SWITCH | MIXERCONTROL_CT_SC_SWITCH_BOOLEAN | MIXERCONTROL_CT_UNITS_BOOLEAN;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MUTE = MIXERCONTROL_CONTROLTYPE_BOOLEAN + 2;       // 0x20010002
constexpr DWORD MIXERCONTROL_CONTROLTYPE_FADER = MIXERCONTROL_CT_CLASS_FADER | MIXERCONTROL_CT_UNITS_UNSIGNED;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_VOLUME = MIXERCONTROL_CONTROLTYPE_FADER + 1;       // 0x50030001
constexpr DWORD MIXERCONTROL_CONTROLTYPE_SINGLESELECT =
    MIXERCONTROL_CT_CLASS_LIST | MIXERCONTROL_CT_SC_LIST_SINGLE | MIXERCONTROL_CT_UNITS_BOOLEAN;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MUX = MIXERCONTROL_CONTROLTYPE_SINGLESELECT + 1;   // 0x70010001
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT =
    MIXERCONTROL_CT_CLASS_LIST | MIXERCONTROL_CT_SC_LIST_MULTIPLE | MIXERCONTROL_CT_UNITS_BOOLEAN;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MIXER = MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT + 1; // 0x71010001

struct MIXERCAPS {
    WORD wMid;
    WORD wPid;
    MMVERSION vDriverVersion;
    char szPname[MAXPNAMELEN];
    DWORD fdwSupport;
    DWORD cDestinations;
};

struct MIXERLINE {
    DWORD cbStruct;
    DWORD dwDestination;
    DWORD dwSource;
    DWORD dwLineID;
    DWORD fdwLine;
    DWORD_PTR dwUser;
    DWORD dwComponentType;
    DWORD cChannels;
    DWORD cConnections;
    DWORD cControls;
    char szShortName[MIXER_SHORT_NAME_CHARS];
    char szName[MIXER_LONG_NAME_CHARS];
    struct {
        DWORD dwType;
        DWORD dwDeviceID;
        WORD wMid;
        WORD wPid;
        MMVERSION vDriverVersion;
        char szPname[MAXPNAMELEN];
    } Target;
};

struct MIXERCONTROL {
    DWORD cbStruct;
    DWORD dwControlID;
    DWORD dwControlType;
    DWORD fdwControl;
    DWORD cMultipleItems;
    char szShortName[MIXER_SHORT_NAME_CHARS];
    char szName[MIXER_LONG_NAME_CHARS];
    union {
        struct {
            LONG lMinimum;
            LONG lMaximum;
        };
        struct {
            DWORD dwMinimum;
            DWORD dwMaximum;
        };
        DWORD dwReserved[6];
    } Bounds;
    union {
        DWORD cSteps;
        DWORD cbCustomData;
        DWORD dwReserved[6];
    } Metrics;
};

struct MIXERLINECONTROLS {
    DWORD cbStruct;
    DWORD dwLineID;
    union {
        DWORD dwControlID;
        DWORD dwControlType;
    };
    DWORD cControls;
    DWORD cbmxctrl;
    MIXERCONTROL* pamxctrl;
};

struct MIXERCONTROLDETAILS {
    DWORD cbStruct;
    DWORD dwControlID;
    DWORD cChannels;
    union {
        HWND hwndOwner; // custom controls only; not supported here
        DWORD cMultipleItems;
    };
    DWORD cbDetails;
    void* paDetails;
};

struct MIXERCONTROLDETAILS_BOOLEAN {
    LONG fValue;
};
struct MIXERCONTROLDETAILS_SIGNED {
    LONG lValue;
};
struct MIXERCONTROLDETAILS_UNSIGNED {
    DWORD dwValue;
};
struct MIXERCONTROLDETAILS_LISTTEXT {
    DWORD dwParam1; // line identifier of the item's source, 0 when there is none
    DWORD dwParam2; // that source's component type
    char szName[MIXER_LONG_NAME_CHARS];
};
static_assert(sizeof(MIXERCONTROLDETAILS_LISTTEXT) == 72);

UINT mixerGetNumDevs();
MMRESULT mixerOpen(HMIXER* phmx, UINT uMxId, DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen);
MMRESULT mixerClose(HMIXER hmx);
// uMxId is a device index or an open handle.
MMRESULT mixerGetDevCaps(UINT_PTR uMxId, MIXERCAPS* pmxcaps, UINT cbmxcaps);
MMRESULT mixerGetLineInfo(HMIXEROBJ hmxobj, MIXERLINE* pmxl, DWORD fdwInfo);
MMRESULT mixerGetLineControls(HMIXEROBJ hmxobj, MIXERLINECONTROLS* pmxlc, DWORD fdwControls);
MMRESULT mixerGetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd, DWORD fdwDetails);
MMRESULT mixerSetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd, DWORD fdwDetails);
