// NSndOption: the device list and the devices' volume and mute.
//
// The list is the snapshot SetWork took; positions in it are the device
// indexes.  Volume and mute are read and written on the server at once, by
// the source's server name, so a device that moved in the server's order
// since SetWork is still the one the user picked.
#include "pulse_session.h"
#include "sndgrab.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace sndgrab;

struct NSndOption::State {
    ServerSnapshot snap;
    std::vector<stNSndDevInfo> infos; // names point into snap
    int selected = -1;
    int selectedAtWork = -1;

    // What a device had at SetWork, kept from its first change on.
    struct Saved {
        std::string source;
        pa_cvolume volume;
        int mute;
    };
    std::vector<Saved> changed;

    const SourceInfo* Source(int index) const
    {
        int pos = snap.Resolve(index);
        return pos >= 0 ? &snap.sources[pos] : nullptr;
    }

    void RememberBeforeChange(const SourceInfo& s)
    {
        for (const Saved& saved : changed)
            if (saved.source == s.name)
                return;
        changed.push_back({s.name, s.volume, s.mute});
    }

    stNSndDevInfo* InfoOf(const std::string& source)
    {
        for (size_t i = 0; i < snap.sources.size(); ++i)
            if (snap.sources[i].name == source)
                return &infos[i];
        return nullptr;
    }
};

namespace {

float LevelOf(const pa_cvolume& v)
{
    return std::min(1.0f, static_cast<float>(pa_cvolume_max(&v)) / PA_VOLUME_NORM);
}

// The source's volume as the server has it now.
bool LiveVolume(PulseSession& session, const std::string& source, pa_cvolume& volume)
{
    ServerSnapshot now;
    if (!session.Snapshot(now))
        return false;
    for (const SourceInfo& s : now.sources) {
        if (s.name == source) {
            volume = s.volume;
            return true;
        }
    }
    return false;
}

} // namespace

NSndOption::NSndOption() : m_state(std::make_unique<State>()) {}

NSndOption::~NSndOption() = default;

int NSndOption::SetWork()
{
    State& st = *m_state;
    st = State{};
    bool answered = TakeSnapshot(st.snap);
    for (size_t i = 0; i < st.snap.sources.size(); ++i) {
        const SourceInfo& s = st.snap.sources[i];
        stNSndDevInfo info{};
        info.index = static_cast<int>(i);
        info.name = s.description.c_str();
        info.hasVolume = 1; // the server keeps a volume for every source
        info.flagA = s.monitor ? 1 : 0;
        info.flagB = 1;
        info.state = s.state;
        info.volume = LevelOf(s.volume);
        info.mute = s.mute;
        info.samplesPerSec = s.spec.rate;
        info.channels = s.spec.channels;
        st.infos.push_back(info);
    }
    st.selected = st.selectedAtWork = st.snap.DefaultPosition();
    return answered ? 1 : 0;
}

int NSndOption::GetDefaultIndex() { return m_state->snap.DefaultPosition(); }

int NSndOption::GetInfoCount() { return static_cast<int>(m_state->infos.size()); }

stNSndDevInfo* NSndOption::GetInfo(int index)
{
    int pos = m_state->snap.Resolve(index);
    return pos >= 0 ? &m_state->infos[pos] : nullptr;
}

int NSndOption::SelectDevInfo(int index)
{
    int pos = m_state->snap.Resolve(index);
    if (pos < 0)
        return 0;
    m_state->selected = pos;
    return 1;
}

int NSndOption::GetDevInfoIndex() { return m_state->selected; }

int NSndOption::GetDevValue(int index, float& value)
{
    const SourceInfo* s = m_state->Source(index);
    if (!s)
        return 0;
    PulseSession session;
    pa_cvolume volume;
    if (!LiveVolume(session, s->name, volume))
        return 0;
    value = LevelOf(volume);
    return 1;
}

int NSndOption::SetDevValue(int index, float value)
{
    const SourceInfo* s = m_state->Source(index);
    if (!s)
        return 0;
    PulseSession session;
    pa_cvolume volume;
    if (!LiveVolume(session, s->name, volume))
        return 0;
    value = std::clamp(value, 0.0f, 1.0f);
    m_state->RememberBeforeChange(*s);
    pa_cvolume_scale(&volume, static_cast<pa_volume_t>(value * PA_VOLUME_NORM + 0.5f));
    if (!session.SetVolume(s->name, volume))
        return 0;
    m_state->InfoOf(s->name)->volume = value;
    return 1;
}

int NSndOption::SetDevMute(int index, int mute)
{
    const SourceInfo* s = m_state->Source(index);
    if (!s)
        return 0;
    PulseSession session;
    m_state->RememberBeforeChange(*s);
    if (!session.SetMute(s->name, mute))
        return 0;
    m_state->InfoOf(s->name)->mute = mute ? 1 : 0;
    return 1;
}

void NSndOption::RollbackDevInfos()
{
    State& st = *m_state;
    st.selected = st.selectedAtWork;
    if (st.changed.empty())
        return;
    PulseSession session;
    for (const State::Saved& saved : st.changed) {
        session.SetVolume(saved.source, saved.volume);
        session.SetMute(saved.source, saved.mute);
        if (stNSndDevInfo* info = st.InfoOf(saved.source)) {
            info->volume = LevelOf(saved.volume);
            info->mute = saved.mute;
        }
    }
    st.changed.clear();
}
