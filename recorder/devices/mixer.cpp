#include "mixer.h"

#include "core/text.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr DWORD kByHandle = MIXER_OBJECTF_HMIXER;

// A fixed name field as text; the field may fill its whole size.
std::string FieldText(const char* field, std::size_t size)
{
    return std::string(field, strnlen(field, size));
}

bool UnitsSupported(DWORD controlType)
{
    switch (controlType & MIXERCONTROL_CT_UNITS_MASK) {
    case MIXERCONTROL_CT_UNITS_BOOLEAN:
    case MIXERCONTROL_CT_UNITS_SIGNED:
    case MIXERCONTROL_CT_UNITS_UNSIGNED:
    case MIXERCONTROL_CT_UNITS_DECIBELS:
    case MIXERCONTROL_CT_UNITS_PERCENT:
        return true;
    default:
        return false;
    }
}

// Channel count and the details request of a control: one channel for a
// uniform control, else two (whatever the line's own channel count).
struct DetailsRequest {
    DWORD channels = 0;
    std::vector<DWORD> buffer;
    MIXERCONTROLDETAILS details{};
};

bool PrepareDetails(const MIXERCONTROL& mc, DetailsRequest& req)
{
    if (!UnitsSupported(mc.dwControlType))
        return false;
    const bool multiple = mc.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE;
    req.channels = mc.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM ? 1 : 2;
    const DWORD items = multiple ? mc.cMultipleItems : 1;
    if (items == 0)
        return false;
    req.buffer.assign(std::size_t{items} * req.channels, 0);
    req.details.cbStruct = sizeof req.details;
    req.details.dwControlID = mc.dwControlID;
    req.details.cChannels = req.channels;
    req.details.cMultipleItems = multiple ? items : 0;
    req.details.cbDetails = sizeof(MIXERCONTROLDETAILS_UNSIGNED);
    req.details.paDetails = req.buffer.data();
    return true;
}

} // namespace

CMixer::CMixer() = default;

CMixer::~CMixer()
{
    Reset();
}

UINT CMixer::GetNumDevs() const
{
    return mixerGetNumDevs();
}

void CMixer::Reset()
{
    if (m_hMixer)
        mixerClose(m_hMixer);
    m_hMixer = nullptr;
    m_dest = MixerDestination{};
    m_sources.clear();
    m_nDeviceCount = 0;
    m_nOpenIndex = -1;
    m_nSourceCount = 0;
    m_nSelectedId = -1;
}

BOOL CMixer::Close()
{
    if (m_hMixer && mixerClose(m_hMixer) != MMSYSERR_NOERROR)
        return FALSE;
    m_hMixer = nullptr;
    Reset();
    return TRUE;
}

BOOL CMixer::Open(int nDevice, HWND hCallbackWnd)
{
    // The records of the open device stay as they were found.
    if (nDevice == m_nOpenIndex)
        return TRUE;
    Reset();
    const UINT count = mixerGetNumDevs();
    if (count == 0)
        return FALSE;
    m_nDeviceCount = count;
    m_nOpenIndex = nDevice;
    const DWORD flags = hCallbackWnd ? CALLBACK_WINDOW : CALLBACK_NULL;
    if (mixerOpen(&m_hMixer, static_cast<UINT>(nDevice), reinterpret_cast<DWORD_PTR>(hCallbackWnd), 0, flags) !=
        MMSYSERR_NOERROR) {
        m_hMixer = nullptr;
        m_nOpenIndex = -1;
        return FALSE;
    }
    // From here on a failure leaves the device open under m_nOpenIndex, so a
    // second Open of the same index reports success with what was found.
    MIXERCAPS caps{};
    if (mixerGetDevCaps(static_cast<UINT_PTR>(m_nOpenIndex), &caps, sizeof caps) != MMSYSERR_NOERROR)
        return FALSE;
    m_dest.deviceIndex = static_cast<DWORD>(m_nOpenIndex);
    m_dest.deviceName = FieldText(caps.szPname, sizeof caps.szPname);
    m_dest.destinationCount = caps.cDestinations;

    Classify();
    if (!Enumerate())
        return FALSE;
    if (m_dest.selectMode == SEL_MUX)
        ReadMuxSelection();
    else
        m_nSelectedId = 0;
    return TRUE;
}

bool CMixer::FindWaveIn(MIXERLINE& line) const
{
    for (DWORD d = 0; d < m_dest.destinationCount; ++d) {
        line = MIXERLINE{};
        line.cbStruct = sizeof line;
        line.dwDestination = d;
        if (mixerGetLineInfo(Obj(), &line, MIXER_GETLINEINFOF_DESTINATION | kByHandle) == MMSYSERR_NOERROR &&
            line.dwComponentType == MIXERLINE_COMPONENTTYPE_DST_WAVEIN)
            return true;
    }
    return false;
}

void CMixer::Classify()
{
    m_dest.selectMode = SEL_NONE;
    MIXERLINE dest{};
    if (!FindWaveIn(dest))
        return;
    m_dest.destLineId = dest.dwLineID;
    m_dest.connectionCount = dest.cConnections;

    MIXERCONTROL mc{};
    MIXERLINECONTROLS lc{};
    lc.cbStruct = sizeof lc;
    lc.dwLineID = dest.dwLineID;
    lc.dwControlType = MIXERCONTROL_CONTROLTYPE_MUX;
    lc.cControls = 1;
    lc.cbmxctrl = sizeof mc;
    lc.pamxctrl = &mc;
    if (mixerGetLineControls(Obj(), &lc, MIXER_GETLINECONTROLSF_ONEBYTYPE | kByHandle) == MMSYSERR_NOERROR) {
        m_dest.selectMode = SEL_MUX;
        m_dest.muxControlId = mc.dwControlID;
        return;
    }
    m_dest.muxControlId = 0;
    if (m_dest.connectionCount > 1)
        m_dest.selectMode = SEL_MUTE;
    else if (m_dest.connectionCount == 1)
        m_dest.selectMode = SEL_SINGLE;
}

MixerSource& CMixer::AddSource(const std::string& name)
{
    auto source = std::make_unique<MixerSource>();
    source->deviceIndex = static_cast<DWORD>(m_nOpenIndex);
    source->id = static_cast<int>(m_nSourceCount++);
    source->name = name;
    m_sources.push_back(std::move(source));
    return *m_sources.back();
}

bool CMixer::Enumerate()
{
    MIXERLINE dest{};
    if (!FindWaveIn(dest))
        return false;

    auto readSource = [&](DWORD s, MIXERLINE& line) {
        line = MIXERLINE{};
        line.cbStruct = sizeof line;
        line.dwDestination = dest.dwDestination;
        line.dwSource = s;
        return mixerGetLineInfo(Obj(), &line, MIXER_GETLINEINFOF_SOURCE | kByHandle) == MMSYSERR_NOERROR;
    };
    // Volume and mute fields of a record whose controls sit on its own line.
    auto takeOwnControls = [&](MixerSource& rec, const MIXERLINE& line) {
        const LineControls lc = ReadLineControls(line);
        if (lc.hasVolume) {
            rec.hasVolume = TRUE;
            rec.volumeLineId = line.dwLineID;
            rec.volumeControlId = lc.volumeControlId;
            rec.volume = lc.volume;
        }
        if (lc.hasMute) {
            rec.hasMute = TRUE;
            rec.muteLineId = line.dwLineID;
            rec.muteControlId = lc.muteControlId;
            rec.mute = lc.muteRead ? lc.mute : 0;
        }
    };

    switch (m_dest.selectMode) {
    case SEL_MUX:
        for (DWORD s = 0; s < dest.cConnections; ++s) {
            MIXERLINE src;
            if (!readSource(s, src))
                continue; // an unreadable source gets no record
            auto& rec = AddSource(FieldText(src.szName, sizeof src.szName));
            takeOwnControls(rec, src);
            rec.isMicrophone = src.dwComponentType == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
        }
        break;
    case SEL_SINGLE: {
        auto& rec = AddSource(FieldText(dest.szName, sizeof dest.szName));
        takeOwnControls(rec, dest);
        rec.selected = TRUE;
        break;
    }
    case SEL_MUTE: {
        // The destination's volume is the recording volume of every source.
        const LineControls destControls = ReadLineControls(dest);
        if (destControls.hasMute) {
            m_dest.destHasMute = TRUE;
            m_dest.destMuteValue = destControls.muteRead ? destControls.mute : 0;
            m_dest.destMuteControlId = destControls.muteControlId;
            if (m_dest.destMuteValue != 0)
                WriteControl(m_dest.destLineId, MIXERCONTROL_CONTROLTYPE_MUTE, 0);
        }
        for (DWORD s = 0; s < m_dest.connectionCount; ++s) {
            MIXERLINE src;
            if (!readSource(s, src))
                continue;
            auto& rec = AddSource(FieldText(src.szName, sizeof src.szName));
            rec.volumeLineId = m_dest.destLineId;
            rec.volumeControlId = destControls.volumeControlId;
            rec.volume = destControls.volume;
            const LineControls lc = ReadLineControls(src);
            if (lc.hasMute) {
                rec.hasMute = TRUE;
                rec.muteLineId = src.dwLineID;
                rec.muteControlId = lc.muteControlId;
                rec.mute = lc.muteRead ? lc.mute : 1; // unknown counts as muted
            }
            rec.isMicrophone = src.dwComponentType == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
        }
        // With every source muted nothing would be recorded: open the first.
        const bool anyOpen =
            std::any_of(m_sources.begin(), m_sources.end(), [](const auto& r) { return r->hasMute && r->mute == 0; });
        if (!anyOpen && !m_sources.empty() && m_sources.front()->hasMute)
            WriteControl(m_sources.front()->muteLineId, MIXERCONTROL_CONTROLTYPE_MUTE, 0);
        break;
    }
    case SEL_NONE:
        break;
    }
    return true;
}

void CMixer::ReadMuxSelection()
{
    std::vector<DWORD> values;
    if (!ReadMux(values))
        return;
    std::vector<MIXERCONTROLDETAILS_LISTTEXT> texts(values.size());
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof d;
    d.dwControlID = m_dest.muxControlId;
    d.cChannels = 1;
    d.cMultipleItems = static_cast<DWORD>(texts.size());
    d.cbDetails = sizeof(MIXERCONTROLDETAILS_LISTTEXT);
    d.paDetails = texts.data();
    if (mixerGetControlDetails(Obj(), &d, MIXER_GETCONTROLDETAILSF_LISTTEXT | kByHandle) != MMSYSERR_NOERROR)
        return;
    for (auto& rec : m_sources) {
        for (DWORD j = 0; j < texts.size(); ++j) {
            if (!EqualsNoCase(FieldText(texts[j].szName, sizeof texts[j].szName), rec->name))
                continue;
            rec->muxIndex = j;
            rec->selected = values[j] != 0;
            if (rec->selected)
                m_nSelectedId = rec->id;
            break;
        }
    }
}

bool CMixer::ReadMux(std::vector<DWORD>& values) const
{
    if (m_dest.connectionCount == 0)
        return false;
    values.assign(m_dest.connectionCount, 0);
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof d;
    d.dwControlID = m_dest.muxControlId;
    d.cChannels = 1;
    d.cMultipleItems = m_dest.connectionCount;
    d.cbDetails = sizeof(MIXERCONTROLDETAILS_BOOLEAN);
    d.paDetails = values.data();
    return mixerGetControlDetails(Obj(), &d, MIXER_GETCONTROLDETAILSF_VALUE | kByHandle) == MMSYSERR_NOERROR;
}

CMixer::LineControls CMixer::ReadLineControls(const MIXERLINE& line) const
{
    LineControls found;
    if (line.cControls == 0)
        return found;
    std::vector<MIXERCONTROL> controls(line.cControls);
    MIXERLINECONTROLS lc{};
    lc.cbStruct = sizeof lc;
    lc.dwLineID = line.dwLineID;
    lc.cControls = line.cControls;
    lc.cbmxctrl = sizeof(MIXERCONTROL);
    lc.pamxctrl = controls.data();
    if (mixerGetLineControls(Obj(), &lc, MIXER_GETLINECONTROLSF_ALL | kByHandle) != MMSYSERR_NOERROR)
        return found;
    for (const auto& mc : controls) {
        if (mc.dwControlType != MIXERCONTROL_CONTROLTYPE_VOLUME && mc.dwControlType != MIXERCONTROL_CONTROLTYPE_MUTE)
            continue;
        ControlValue value;
        const bool read = ReadControl(mc.dwControlID, value);
        if (mc.dwControlType == MIXERCONTROL_CONTROLTYPE_VOLUME) {
            found.hasVolume = true;
            found.volumeControlId = mc.dwControlID;
            found.volume = read ? value.Mean() : 0;
        } else {
            found.hasMute = true;
            found.muteControlId = mc.dwControlID;
            found.muteRead = read;
            found.mute = read ? value.values[0] : 0;
        }
    }
    return found;
}

bool CMixer::ReadControl(DWORD controlId, ControlValue& out) const
{
    MIXERCONTROL mc{};
    MIXERLINECONTROLS lc{};
    lc.cbStruct = sizeof lc;
    lc.dwControlID = controlId;
    lc.cControls = 1;
    lc.cbmxctrl = sizeof mc;
    lc.pamxctrl = &mc;
    DetailsRequest req;
    if (mixerGetLineControls(Obj(), &lc, MIXER_GETLINECONTROLSF_ONEBYID | kByHandle) != MMSYSERR_NOERROR ||
        !PrepareDetails(mc, req) ||
        mixerGetControlDetails(Obj(), &req.details, MIXER_GETCONTROLDETAILSF_VALUE | kByHandle) != MMSYSERR_NOERROR)
        return false;
    out.channels = req.channels;
    for (DWORD ch = 0; ch < req.channels; ++ch)
        out.values[ch] = req.buffer[ch];
    return true;
}

bool CMixer::WriteControl(DWORD lineId, DWORD controlType, DWORD value)
{
    MIXERCONTROL mc{};
    MIXERLINECONTROLS lc{};
    lc.cbStruct = sizeof lc;
    lc.dwLineID = lineId;
    lc.dwControlType = controlType;
    lc.cControls = 1;
    lc.cbmxctrl = sizeof mc;
    lc.pamxctrl = &mc;
    DetailsRequest req;
    if (mixerGetLineControls(Obj(), &lc, MIXER_GETLINECONTROLSF_ONEBYTYPE | kByHandle) != MMSYSERR_NOERROR ||
        !PrepareDetails(mc, req) ||
        mixerGetControlDetails(Obj(), &req.details, MIXER_GETCONTROLDETAILSF_VALUE | kByHandle) != MMSYSERR_NOERROR)
        return false;
    std::fill_n(req.buffer.begin(), req.channels, value);
    return mixerSetControlDetails(Obj(), &req.details, MIXER_SETCONTROLDETAILSF_VALUE | kByHandle) ==
           MMSYSERR_NOERROR;
}

const MixerSource* CMixer::GetSource(int id) const
{
    for (const auto& rec : m_sources)
        if (rec->id == id)
            return rec.get();
    return nullptr;
}

BOOL CMixer::SelectSource(int id)
{
    if (m_dest.selectMode == SEL_NONE || m_dest.selectMode == SEL_SINGLE) {
        m_nSelectedId = id;
        return TRUE;
    }
    const MixerSource* chosen = GetSource(id);
    if (!chosen)
        return FALSE;
    if (m_dest.selectMode == SEL_MUX) {
        std::vector<DWORD> values;
        if (!ReadMux(values) || chosen->muxIndex >= values.size())
            return FALSE;
        std::fill(values.begin(), values.end(), 0);
        values[chosen->muxIndex] = 1;
        MIXERCONTROLDETAILS d{};
        d.cbStruct = sizeof d;
        d.dwControlID = m_dest.muxControlId;
        d.cChannels = 1;
        d.cMultipleItems = static_cast<DWORD>(values.size());
        d.cbDetails = sizeof(MIXERCONTROLDETAILS_BOOLEAN);
        d.paDetails = values.data();
        return mixerSetControlDetails(Obj(), &d, MIXER_SETCONTROLDETAILSF_VALUE | kByHandle) == MMSYSERR_NOERROR;
    }
    // SEL_MUTE: only the chosen source stays open; a failed write is not
    // reported, the others are still worth setting.
    for (const auto& rec : m_sources)
        if (rec->hasMute)
            WriteControl(rec->muteLineId, MIXERCONTROL_CONTROLTYPE_MUTE, rec.get() == chosen ? 0 : 1);
    return TRUE;
}

BOOL CMixer::SetSourceVolume(int id, DWORD value)
{
    const MixerSource* rec = GetSource(id);
    return rec && WriteControl(rec->volumeLineId, MIXERCONTROL_CONTROLTYPE_VOLUME, value);
}

BOOL CMixer::SetSourceMute(int id, DWORD value)
{
    const MixerSource* rec = GetSource(id);
    return rec && WriteControl(rec->muteLineId, MIXERCONTROL_CONTROLTYPE_MUTE, value);
}

BOOL CMixer::SetLineVolume(DWORD lineId, DWORD /*controlId: the control is found by type*/, DWORD value)
{
    return WriteControl(lineId, MIXERCONTROL_CONTROLTYPE_VOLUME, value);
}

void ApplyRecordingSource(CMixer& mixer, int nDevIndex, int nSourceId, int nVolume, HWND hCallbackWnd)
{
    if (!mixer.Open(nDevIndex, hCallbackWnd))
        return;
    const MixerSource* source = mixer.GetSource(nSourceId);
    if (!source)
        return;
    mixer.SelectSource(nSourceId);
    const DWORD volume = static_cast<DWORD>(std::max(nVolume, 0));
    if (source->hasMute)
        mixer.SetSourceMute(nSourceId, 0);
    if (source->hasVolume)
        mixer.SetSourceVolume(nSourceId, volume);
    if (mixer.GetDestination().selectMode == SEL_MUTE)
        mixer.SetLineVolume(source->volumeLineId, source->volumeControlId, volume);
}
