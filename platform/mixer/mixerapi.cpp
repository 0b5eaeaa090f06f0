// The mixer functions over the device models of mixer_devices.h.
#include "mixerapi.h"
#include "mixer_devices.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>

namespace {

// Everything below is guarded by g_mutex; the lock is held for the whole of
// each mixer function, device Refresh/Commit included.
std::mutex g_mutex;
std::optional<MixerDevices> g_installed;
std::string g_modelPath;     // file the model devices were read from
MixerDevices g_modelDevices; // its devices
std::optional<MixerDevices> g_alsaDevices;

// Open handles; a handle keeps its device alive after the devices change.
std::map<std::uintptr_t, std::shared_ptr<MixerDeviceModel>> g_handles;
std::uintptr_t g_nextHandle = 0x1000;

const MixerDevices& Devices()
{
    if (g_installed)
        return *g_installed;
    const char* path = std::getenv("QX_MIXER_MODEL");
    if (path && *path) {
        if (g_modelPath != path) {
            g_modelPath = path;
            g_modelDevices.clear();
            std::ifstream in(path, std::ios::binary);
            const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            std::string error;
            if (!in.is_open())
                std::fprintf(stderr, "mixer model %s: cannot read\n", path);
            else if (auto parsed = ParseMixerModel(text, &error))
                g_modelDevices = std::move(*parsed);
            else
                std::fprintf(stderr, "mixer model %s: %s\n", path, error.c_str());
        }
        return g_modelDevices;
    }
    // Cards are looked for once per process.
    if (!g_alsaDevices)
        g_alsaDevices = LoadAlsaMixerDevices();
    return *g_alsaDevices;
}

// The device an HMIXEROBJ names: an open handle, or with MIXER_OBJECTF_MIXER
// also a device index.
MixerDeviceModel* Resolve(HMIXEROBJ obj, DWORD flags)
{
    const auto value = reinterpret_cast<std::uintptr_t>(obj);
    if (auto it = g_handles.find(value); it != g_handles.end())
        return it->second.get();
    if ((flags & MIXER_OBJECTF_TYPEMASK) == MIXER_OBJECTF_MIXER) {
        const auto& devices = Devices();
        if (value < devices.size())
            return devices[value].get();
    }
    return nullptr;
}

MMRESULT BadObject(DWORD flags)
{
    return (flags & MIXER_OBJECTF_HANDLE) ? MMSYSERR_INVALHANDLE : MMSYSERR_BADDEVICEID;
}

// Copies UTF-8 text into a fixed ANSI field without cutting a character.
void CopyName(char* dst, std::size_t size, const std::string& src)
{
    std::size_t n = std::min(src.size(), size - 1);
    while (n > 0 && n < src.size() && (static_cast<unsigned char>(src[n]) & 0xC0) == 0x80)
        --n;
    std::memcpy(dst, src.data(), n);
    std::memset(dst + n, 0, size - n);
}

void FillLine(const MixerDeviceModel& device, const MixerLineModel& line, MIXERLINE& out)
{
    out.dwDestination = line.destination;
    out.dwSource = line.source;
    out.dwLineID = line.lineId;
    out.fdwLine = MIXERLINE_LINEF_ACTIVE | (line.isSource ? MIXERLINE_LINEF_SOURCE : 0);
    out.dwUser = 0;
    out.dwComponentType = line.componentType;
    out.cChannels = line.channels;
    out.cConnections = line.isSource ? 0 : static_cast<DWORD>(line.sources.size());
    out.cControls = static_cast<DWORD>(line.controls.size());
    CopyName(out.szShortName, sizeof out.szShortName, line.shortName.empty() ? line.name : line.shortName);
    CopyName(out.szName, sizeof out.szName, line.name);
    out.Target.dwType = line.componentType == MIXERLINE_COMPONENTTYPE_DST_WAVEIN ? MIXERLINE_TARGETTYPE_WAVEIN
                                                                                  : MIXERLINE_TARGETTYPE_UNDEFINED;
    out.Target.dwDeviceID = 0;
    out.Target.wMid = 0;
    out.Target.wPid = 0;
    out.Target.vDriverVersion = 0;
    CopyName(out.Target.szPname, sizeof out.Target.szPname, device.name);
}

void FillControl(const MixerControlModel& c, MIXERCONTROL& out)
{
    std::memset(&out, 0, sizeof out);
    out.cbStruct = sizeof out;
    out.dwControlID = c.id;
    out.dwControlType = c.type;
    out.fdwControl = c.flags;
    out.cMultipleItems = c.flags & MIXERCONTROL_CONTROLF_MULTIPLE ? c.ItemCount() : 0;
    CopyName(out.szShortName, sizeof out.szShortName, c.shortName.empty() ? c.name : c.shortName);
    CopyName(out.szName, sizeof out.szName, c.name);
    out.Bounds.lMinimum = c.minimum;
    out.Bounds.lMaximum = c.maximum;
    out.Metrics.cSteps = c.steps;
}

// Checks the shape of a details request against the control and gives the
// number of channels and items it covers.
MMRESULT CheckDetails(const MixerLineModel& line, const MixerControlModel& c, const MIXERCONTROLDETAILS& d,
                      DWORD itemSize, DWORD& channels, DWORD& items)
{
    if (d.cbStruct < sizeof(MIXERCONTROLDETAILS) || !d.paDetails || d.cbDetails < itemSize)
        return MMSYSERR_INVALPARAM;
    const DWORD own = c.Channels(line.channels);
    if (d.cChannels != 1 && d.cChannels != own)
        return MMSYSERR_INVALPARAM;
    const bool multiple = c.flags & MIXERCONTROL_CONTROLF_MULTIPLE;
    if (multiple ? d.cMultipleItems != c.ItemCount() : d.cMultipleItems != 0)
        return MMSYSERR_INVALPARAM;
    channels = d.cChannels;
    items = c.ItemCount();
    return MMSYSERR_NOERROR;
}

LONG Normalise(const MixerControlModel& c, LONG v)
{
    if ((c.type & MIXERCONTROL_CT_UNITS_MASK) == MIXERCONTROL_CT_UNITS_BOOLEAN)
        return v != 0;
    if ((c.type & MIXERCONTROL_CT_UNITS_MASK) == MIXERCONTROL_CT_UNITS_UNSIGNED)
        return static_cast<LONG>(std::clamp<DWORD>(static_cast<DWORD>(v), static_cast<DWORD>(c.minimum),
                                                   static_cast<DWORD>(c.maximum)));
    return std::clamp(v, c.minimum, c.maximum);
}

} // namespace

void InstallMixerDevices(std::optional<MixerDevices> devices)
{
    std::lock_guard lock(g_mutex);
    g_installed = std::move(devices);
}

UINT mixerGetNumDevs()
{
    std::lock_guard lock(g_mutex);
    return static_cast<UINT>(Devices().size());
}

// The callback window is accepted but, as mixerapi.h says, never notified.
MMRESULT mixerOpen(HMIXER* phmx, UINT uMxId, DWORD_PTR /*dwCallback*/, DWORD_PTR /*dwInstance*/, DWORD fdwOpen)
{
    std::lock_guard lock(g_mutex);
    if (!phmx)
        return MMSYSERR_INVALPARAM;
    *phmx = nullptr;
    const DWORD callback = fdwOpen & CALLBACK_TYPEMASK;
    if (callback != CALLBACK_NULL && callback != CALLBACK_WINDOW)
        return MMSYSERR_INVALFLAG;
    const auto& devices = Devices();
    if (uMxId >= devices.size())
        return MMSYSERR_BADDEVICEID;
    const auto handle = g_nextHandle++;
    g_handles[handle] = devices[uMxId];
    *phmx = reinterpret_cast<HMIXER>(handle);
    return MMSYSERR_NOERROR;
}

MMRESULT mixerClose(HMIXER hmx)
{
    std::lock_guard lock(g_mutex);
    return g_handles.erase(reinterpret_cast<std::uintptr_t>(hmx)) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMRESULT mixerGetDevCaps(UINT_PTR uMxId, MIXERCAPS* pmxcaps, UINT cbmxcaps)
{
    std::lock_guard lock(g_mutex);
    if (!pmxcaps || cbmxcaps < sizeof(MIXERCAPS))
        return MMSYSERR_INVALPARAM;
    const auto* device = Resolve(reinterpret_cast<HMIXEROBJ>(uMxId), MIXER_OBJECTF_MIXER);
    if (!device)
        return MMSYSERR_BADDEVICEID;
    std::memset(pmxcaps, 0, sizeof *pmxcaps);
    CopyName(pmxcaps->szPname, sizeof pmxcaps->szPname, device->name);
    pmxcaps->cDestinations = static_cast<DWORD>(device->destinations.size());
    return MMSYSERR_NOERROR;
}

MMRESULT mixerGetLineInfo(HMIXEROBJ hmxobj, MIXERLINE* pmxl, DWORD fdwInfo)
{
    std::lock_guard lock(g_mutex);
    auto* device = Resolve(hmxobj, fdwInfo);
    if (!device)
        return BadObject(fdwInfo);
    if (!pmxl || pmxl->cbStruct < sizeof(MIXERLINE))
        return MMSYSERR_INVALPARAM;
    const MixerLineModel* line = nullptr;
    auto& dests = device->destinations;
    switch (fdwInfo & MIXER_GETLINEINFOF_QUERYMASK) {
    case MIXER_GETLINEINFOF_DESTINATION:
        if (pmxl->dwDestination >= dests.size())
            return MMSYSERR_INVALPARAM;
        line = &dests[pmxl->dwDestination];
        break;
    case MIXER_GETLINEINFOF_SOURCE:
        if (pmxl->dwDestination >= dests.size() || pmxl->dwSource >= dests[pmxl->dwDestination].sources.size())
            return MMSYSERR_INVALPARAM;
        line = &dests[pmxl->dwDestination].sources[pmxl->dwSource];
        break;
    case MIXER_GETLINEINFOF_LINEID:
        line = device->FindLine(pmxl->dwLineID);
        if (!line)
            return MIXERR_INVALLINE;
        break;
    case MIXER_GETLINEINFOF_COMPONENTTYPE:
        for (const auto& dest : dests) {
            if (dest.componentType == pmxl->dwComponentType)
                line = &dest;
            for (const auto& src : dest.sources)
                if (!line && src.componentType == pmxl->dwComponentType)
                    line = &src;
            if (line)
                break;
        }
        if (!line)
            return MIXERR_INVALLINE;
        break;
    default:
        return MMSYSERR_INVALFLAG;
    }
    if (line->unreadable)
        return MMSYSERR_ERROR;
    FillLine(*device, *line, *pmxl);
    return MMSYSERR_NOERROR;
}

MMRESULT mixerGetLineControls(HMIXEROBJ hmxobj, MIXERLINECONTROLS* pmxlc, DWORD fdwControls)
{
    std::lock_guard lock(g_mutex);
    auto* device = Resolve(hmxobj, fdwControls);
    if (!device)
        return BadObject(fdwControls);
    if (!pmxlc || pmxlc->cbStruct < sizeof(MIXERLINECONTROLS) || pmxlc->cbmxctrl < sizeof(MIXERCONTROL) ||
        !pmxlc->pamxctrl)
        return MMSYSERR_INVALPARAM;
    switch (fdwControls & MIXER_GETLINECONTROLSF_QUERYMASK) {
    case MIXER_GETLINECONTROLSF_ALL: {
        const auto* line = device->FindLine(pmxlc->dwLineID);
        if (!line)
            return MIXERR_INVALLINE;
        if (line->controlsUnreadable)
            return MMSYSERR_ERROR;
        if (pmxlc->cControls == 0 || pmxlc->cControls != line->controls.size())
            return MMSYSERR_INVALPARAM;
        for (std::size_t i = 0; i < line->controls.size(); ++i)
            FillControl(line->controls[i], pmxlc->pamxctrl[i]);
        return MMSYSERR_NOERROR;
    }
    case MIXER_GETLINECONTROLSF_ONEBYID: {
        MixerLineModel* line = nullptr;
        const auto* control = device->FindControl(pmxlc->dwControlID, &line);
        if (!control)
            return MIXERR_INVALCONTROL;
        if (line->controlsUnreadable)
            return MMSYSERR_ERROR;
        pmxlc->dwLineID = line->lineId;
        FillControl(*control, *pmxlc->pamxctrl);
        return MMSYSERR_NOERROR;
    }
    case MIXER_GETLINECONTROLSF_ONEBYTYPE: {
        const auto* line = device->FindLine(pmxlc->dwLineID);
        if (!line)
            return MIXERR_INVALLINE;
        if (line->controlsUnreadable)
            return MMSYSERR_ERROR;
        for (const auto& c : line->controls)
            if (c.type == pmxlc->dwControlType) {
                FillControl(c, *pmxlc->pamxctrl);
                return MMSYSERR_NOERROR;
            }
        return MIXERR_INVALCONTROL;
    }
    default:
        return MMSYSERR_INVALFLAG;
    }
}

MMRESULT mixerGetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd, DWORD fdwDetails)
{
    std::lock_guard lock(g_mutex);
    auto* device = Resolve(hmxobj, fdwDetails);
    if (!device)
        return BadObject(fdwDetails);
    if (!pmxcd)
        return MMSYSERR_INVALPARAM;
    MixerLineModel* line = nullptr;
    auto* c = device->FindControl(pmxcd->dwControlID, &line);
    if (!c)
        return MIXERR_INVALCONTROL;
    DWORD channels = 0, items = 0;
    switch (fdwDetails & MIXER_GETCONTROLDETAILSF_QUERYMASK) {
    case MIXER_GETCONTROLDETAILSF_VALUE: {
        if (MMRESULT r = CheckDetails(*line, *c, *pmxcd, sizeof(LONG), channels, items))
            return r;
        if (c->unreadable)
            return MMSYSERR_ERROR;
        if (MMRESULT r = device->Refresh(*line, *c))
            return r;
        // One channel asked of a non-uniform control reads the first channel.
        auto* out = static_cast<LONG*>(pmxcd->paDetails);
        for (DWORD ch = 0; ch < channels; ++ch)
            for (DWORD i = 0; i < items; ++i)
                out[ch * items + i] = c->values[ch * items + i];
        return MMSYSERR_NOERROR;
    }
    case MIXER_GETCONTROLDETAILSF_LISTTEXT: {
        if (!(c->flags & MIXERCONTROL_CONTROLF_MULTIPLE))
            return MMSYSERR_INVALPARAM;
        if (MMRESULT r = CheckDetails(*line, *c, *pmxcd, sizeof(MIXERCONTROLDETAILS_LISTTEXT), channels, items))
            return r;
        if (c->unreadable)
            return MMSYSERR_ERROR;
        auto* out = static_cast<MIXERCONTROLDETAILS_LISTTEXT*>(pmxcd->paDetails);
        for (DWORD ch = 0; ch < channels; ++ch)
            for (DWORD i = 0; i < items; ++i) {
                auto& t = out[ch * items + i];
                t.dwParam1 = c->itemLineIds[i];
                t.dwParam2 = c->itemTypes[i];
                CopyName(t.szName, sizeof t.szName, c->items[i]);
            }
        return MMSYSERR_NOERROR;
    }
    default:
        return MMSYSERR_INVALFLAG;
    }
}

MMRESULT mixerSetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd, DWORD fdwDetails)
{
    std::lock_guard lock(g_mutex);
    auto* device = Resolve(hmxobj, fdwDetails);
    if (!device)
        return BadObject(fdwDetails);
    if (!pmxcd)
        return MMSYSERR_INVALPARAM;
    if ((fdwDetails & MIXER_SETCONTROLDETAILSF_QUERYMASK) != MIXER_SETCONTROLDETAILSF_VALUE)
        return MMSYSERR_INVALFLAG;
    MixerLineModel* line = nullptr;
    auto* c = device->FindControl(pmxcd->dwControlID, &line);
    if (!c)
        return MIXERR_INVALCONTROL;
    DWORD channels = 0, items = 0;
    if (MMRESULT r = CheckDetails(*line, *c, *pmxcd, sizeof(LONG), channels, items))
        return r;
    if (c->failsWrite)
        return MMSYSERR_ERROR;
    const auto before = c->values;
    const auto* in = static_cast<const LONG*>(pmxcd->paDetails);
    const DWORD own = c->Channels(line->channels);
    // One channel given for a non-uniform control sets every channel.
    for (DWORD ch = 0; ch < own; ++ch)
        for (DWORD i = 0; i < items; ++i)
            c->values[ch * items + i] = Normalise(*c, in[(channels == 1 ? 0 : ch) * items + i]);
    if (MMRESULT r = device->Commit(*line, *c)) {
        c->values = before;
        return r;
    }
    ++device->writeCount;
    return MMSYSERR_NOERROR;
}
