// ALSA sound cards as mixer devices.  Each card with capture elements gets
// one wave-in destination, "Capture":
//   - an enumerated capture element (the capture source) becomes the
//     destination's multiplexer; its items become the sources, each with the
//     volume and switch of the capture element of the same name if any;
//   - without one, every capture element except the master becomes a source;
//   - the master element "Capture" gives the destination's own controls.
// Capture volumes become VOLUME controls scaled to 0-65535; capture switches
// become MUTE controls (switch off = muted).  Values are read from the card
// before every read and written to it at once.
#include "mixer_devices.h"

#include "core/text.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <string>

namespace {

enum class Role { Volume, Mute, Mux };

struct Binding {
    snd_mixer_elem_t* elem;
    Role role;
};

constexpr snd_mixer_selem_channel_id_t kChannels[2] = {SND_MIXER_SCHN_FRONT_LEFT, SND_MIXER_SCHN_FRONT_RIGHT};

class AlsaMixerDevice : public MixerDeviceModel {
public:
    explicit AlsaMixerDevice(snd_mixer_t* mixer) : m_mixer(mixer) {}
    ~AlsaMixerDevice() override { snd_mixer_close(m_mixer); }

    void Build();
    MMRESULT Refresh(const MixerLineModel& line, MixerControlModel& c) override;
    MMRESULT Commit(const MixerLineModel& line, MixerControlModel& c) override;

private:
    void AddControls(MixerLineModel& line, snd_mixer_elem_t* elem);

    snd_mixer_t* m_mixer;
    // Control i (identifier i + 1 after AssignIds) in numbering order.
    std::vector<Binding> m_bindings;
};

std::string ElemName(snd_mixer_elem_t* e)
{
    return snd_mixer_selem_get_name(e);
}

DWORD SourceType(const std::string& name)
{
    const std::string n = ToLowerAscii(name);
    if (n.find("mic") != std::string::npos)
        return MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
    if (n.find("line") != std::string::npos)
        return MIXERLINE_COMPONENTTYPE_SRC_LINE;
    if (n.find("cd") != std::string::npos)
        return MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC;
    if (n.find("aux") != std::string::npos)
        return MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY;
    return MIXERLINE_COMPONENTTYPE_SRC_ANALOG;
}

void AlsaMixerDevice::AddControls(MixerLineModel& line, snd_mixer_elem_t* elem)
{
    const bool mono = snd_mixer_selem_is_capture_mono(elem);
    line.channels = mono ? 1 : 2;
    if (snd_mixer_selem_has_capture_volume(elem)) {
        MixerControlModel c;
        c.type = MIXERCONTROL_CONTROLTYPE_VOLUME;
        c.name = ElemName(elem) + " Volume";
        c.flags = mono || snd_mixer_selem_has_capture_volume_joined(elem) ? MIXERCONTROL_CONTROLF_UNIFORM : 0;
        c.maximum = 65535;
        c.steps = 65536;
        c.values.assign(c.Channels(line.channels), 0);
        line.controls.push_back(std::move(c));
    }
    if (snd_mixer_selem_has_capture_switch(elem)) {
        MixerControlModel c;
        c.type = MIXERCONTROL_CONTROLTYPE_MUTE;
        c.name = ElemName(elem) + " Mute";
        c.flags = mono || snd_mixer_selem_has_capture_switch_joined(elem) ? MIXERCONTROL_CONTROLF_UNIFORM : 0;
        c.values.assign(c.Channels(line.channels), 0);
        line.controls.push_back(std::move(c));
    }
}

void AlsaMixerDevice::Build()
{
    snd_mixer_elem_t* mux = nullptr;
    snd_mixer_elem_t* master = nullptr;
    std::vector<snd_mixer_elem_t*> capture;
    for (auto* e = snd_mixer_first_elem(m_mixer); e; e = snd_mixer_elem_next(e)) {
        if (!snd_mixer_selem_is_active(e))
            continue;
        if (snd_mixer_selem_is_enum_capture(e)) {
            if (!mux)
                mux = e;
        } else if (snd_mixer_selem_has_capture_volume(e) || snd_mixer_selem_has_capture_switch(e)) {
            if (!master && EqualsNoCase(ElemName(e), "Capture"))
                master = e;
            else
                capture.push_back(e);
        }
    }
    if (!mux && !master && capture.empty())
        return;

    MixerLineModel dest;
    dest.name = "Capture";
    dest.componentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    dest.channels = 2;
    std::vector<snd_mixer_elem_t*> lineElems{master}; // per line, in numbering order
    if (master)
        AddControls(dest, master);
    dest.channels = 2; // the destination is stereo whatever its master control is
    if (mux) {
        MixerControlModel c;
        c.type = MIXERCONTROL_CONTROLTYPE_MUX;
        c.name = ElemName(mux);
        c.flags = MIXERCONTROL_CONTROLF_UNIFORM | MIXERCONTROL_CONTROLF_MULTIPLE;
        c.maximum = 1;
        const int n = snd_mixer_selem_get_enum_items(mux);
        for (int i = 0; i < n; ++i) {
            char text[64] = {};
            snd_mixer_selem_get_enum_item_name(mux, static_cast<unsigned>(i), sizeof text, text);
            c.items.emplace_back(text);
        }
        c.values.assign(c.items.size(), 0);
        dest.controls.push_back(std::move(c));
        for (const auto& item : dest.controls.back().items) {
            MixerLineModel src;
            src.name = item;
            src.componentType = SourceType(item);
            snd_mixer_elem_t* match = nullptr;
            for (auto* e : capture)
                if (EqualsNoCase(ElemName(e), item))
                    match = e;
            if (match)
                AddControls(src, match);
            lineElems.push_back(match);
            dest.sources.push_back(std::move(src));
        }
    } else {
        for (auto* e : capture) {
            MixerLineModel src;
            src.name = ElemName(e);
            src.componentType = SourceType(src.name);
            AddControls(src, e);
            lineElems.push_back(e);
            dest.sources.push_back(std::move(src));
        }
    }
    destinations.push_back(std::move(dest));
    AssignIds();

    // Bind controls to elements in the order AssignIds numbered them.
    auto bind = [&](const MixerLineModel& line, snd_mixer_elem_t* elem) {
        for (const auto& c : line.controls)
            m_bindings.push_back({c.type == MIXERCONTROL_CONTROLTYPE_MUX ? mux : elem,
                                  c.type == MIXERCONTROL_CONTROLTYPE_MUX    ? Role::Mux
                                  : c.type == MIXERCONTROL_CONTROLTYPE_MUTE ? Role::Mute
                                                                            : Role::Volume});
    };
    bind(destinations[0], lineElems[0]);
    for (std::size_t s = 0; s < destinations[0].sources.size(); ++s)
        bind(destinations[0].sources[s], lineElems[s + 1]);
}

MMRESULT AlsaMixerDevice::Refresh(const MixerLineModel&, MixerControlModel& c)
{
    if (c.id == 0 || c.id > m_bindings.size())
        return MMSYSERR_ERROR;
    snd_mixer_handle_events(m_mixer);
    const Binding& b = m_bindings[c.id - 1];
    if (b.role == Role::Mux) {
        unsigned item = 0;
        if (snd_mixer_selem_get_enum_item(b.elem, SND_MIXER_SCHN_MONO, &item) < 0)
            return MMSYSERR_ERROR;
        for (std::size_t i = 0; i < c.values.size(); ++i)
            c.values[i] = i == item;
        return MMSYSERR_NOERROR;
    }
    long lo = 0, hi = 0;
    if (b.role == Role::Volume)
        snd_mixer_selem_get_capture_volume_range(b.elem, &lo, &hi);
    for (std::size_t ch = 0; ch < c.values.size(); ++ch) {
        if (b.role == Role::Volume) {
            long raw = 0;
            if (snd_mixer_selem_get_capture_volume(b.elem, kChannels[ch], &raw) < 0)
                return MMSYSERR_ERROR;
            c.values[ch] = hi > lo ? static_cast<LONG>((raw - lo) * 65535 / (hi - lo)) : 0;
        } else {
            int on = 0;
            if (snd_mixer_selem_get_capture_switch(b.elem, kChannels[ch], &on) < 0)
                return MMSYSERR_ERROR;
            c.values[ch] = !on;
        }
    }
    return MMSYSERR_NOERROR;
}

MMRESULT AlsaMixerDevice::Commit(const MixerLineModel&, MixerControlModel& c)
{
    if (c.id == 0 || c.id > m_bindings.size())
        return MMSYSERR_ERROR;
    const Binding& b = m_bindings[c.id - 1];
    if (b.role == Role::Mux) {
        for (std::size_t i = 0; i < c.values.size(); ++i)
            if (c.values[i])
                return snd_mixer_selem_set_enum_item(b.elem, SND_MIXER_SCHN_MONO, static_cast<unsigned>(i)) < 0
                           ? MMSYSERR_ERROR
                           : MMSYSERR_NOERROR;
        return MIXERR_INVALVALUE; // a single-select list needs one item set
    }
    const bool uniform = c.values.size() == 1;
    if (b.role == Role::Volume) {
        long lo = 0, hi = 0;
        snd_mixer_selem_get_capture_volume_range(b.elem, &lo, &hi);
        for (std::size_t ch = 0; ch < c.values.size(); ++ch) {
            const long raw = lo + (static_cast<long>(c.values[ch]) * (hi - lo) + 32767) / 65535;
            const int r = uniform ? snd_mixer_selem_set_capture_volume_all(b.elem, raw)
                                  : snd_mixer_selem_set_capture_volume(b.elem, kChannels[ch], raw);
            if (r < 0)
                return MMSYSERR_ERROR;
        }
    } else {
        for (std::size_t ch = 0; ch < c.values.size(); ++ch) {
            const int on = c.values[ch] ? 0 : 1;
            const int r = uniform ? snd_mixer_selem_set_capture_switch_all(b.elem, on)
                                  : snd_mixer_selem_set_capture_switch(b.elem, kChannels[ch], on);
            if (r < 0)
                return MMSYSERR_ERROR;
        }
    }
    return MMSYSERR_NOERROR;
}

} // namespace

MixerDevices LoadAlsaMixerDevices()
{
    MixerDevices devices;
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0) {
        const std::string hw = "hw:" + std::to_string(card);
        snd_mixer_t* mixer = nullptr;
        if (snd_mixer_open(&mixer, 0) < 0)
            continue;
        if (snd_mixer_attach(mixer, hw.c_str()) < 0 || snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 ||
            snd_mixer_load(mixer) < 0) {
            snd_mixer_close(mixer);
            continue;
        }
        auto device = std::make_shared<AlsaMixerDevice>(mixer);
        char* name = nullptr;
        if (snd_card_get_name(card, &name) == 0 && name) {
            device->name = name;
            std::free(name);
        } else {
            device->name = hw;
        }
        device->Build();
        devices.push_back(std::move(device));
    }
    return devices;
}
