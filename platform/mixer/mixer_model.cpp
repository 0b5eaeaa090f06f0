// Device models: numbering and the text form (see mixer_devices.h).
#include "mixer_devices.h"

#include "core/text.h"

#include <cctype>
#include <cstdlib>
#include <utility>

void MixerDeviceModel::AssignIds()
{
    DWORD nextControl = 1;
    auto numberControls = [&](MixerLineModel& line) {
        for (auto& c : line.controls)
            c.id = nextControl++;
    };
    for (DWORD d = 0; d < destinations.size(); ++d) {
        auto& dest = destinations[d];
        dest.lineId = 0xFFFF0000u | d;
        dest.destination = d;
        dest.isSource = false;
        numberControls(dest);
        for (DWORD s = 0; s < dest.sources.size(); ++s) {
            auto& src = dest.sources[s];
            src.lineId = ((s + 1) << 16) | d;
            src.destination = d;
            src.source = s;
            src.isSource = true;
            numberControls(src);
        }
        // List items stand for the destination's sources in order.
        for (auto& c : dest.controls) {
            c.itemLineIds.assign(c.items.size(), 0);
            c.itemTypes.assign(c.items.size(), 0);
            for (std::size_t i = 0; i < c.items.size() && i < dest.sources.size(); ++i) {
                c.itemLineIds[i] = dest.sources[i].lineId;
                c.itemTypes[i] = dest.sources[i].componentType;
            }
        }
    }
}

MixerLineModel* MixerDeviceModel::FindLine(DWORD lineId)
{
    for (auto& dest : destinations) {
        if (dest.lineId == lineId)
            return &dest;
        for (auto& src : dest.sources)
            if (src.lineId == lineId)
                return &src;
    }
    return nullptr;
}

MixerControlModel* MixerDeviceModel::FindControl(DWORD controlId, MixerLineModel** line)
{
    auto search = [&](MixerLineModel& l) -> MixerControlModel* {
        for (auto& c : l.controls)
            if (c.id == controlId) {
                *line = &l;
                return &c;
            }
        return nullptr;
    };
    for (auto& dest : destinations) {
        if (auto* c = search(dest))
            return c;
        for (auto& src : dest.sources)
            if (auto* c = search(src))
                return c;
    }
    return nullptr;
}

namespace {

struct NamedNumber {
    const char* name;
    DWORD value;
};

constexpr NamedNumber kDestinationTypes[] = {
    {"undefined", MIXERLINE_COMPONENTTYPE_DST_UNDEFINED}, {"digital", MIXERLINE_COMPONENTTYPE_DST_DIGITAL},
    {"line", MIXERLINE_COMPONENTTYPE_DST_LINE},           {"monitor", MIXERLINE_COMPONENTTYPE_DST_MONITOR},
    {"speakers", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS},   {"headphones", MIXERLINE_COMPONENTTYPE_DST_HEADPHONES},
    {"telephone", MIXERLINE_COMPONENTTYPE_DST_TELEPHONE}, {"wavein", MIXERLINE_COMPONENTTYPE_DST_WAVEIN},
    {"voicein", MIXERLINE_COMPONENTTYPE_DST_VOICEIN},
};

constexpr NamedNumber kSourceTypes[] = {
    {"undefined", MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED},     {"digital", MIXERLINE_COMPONENTTYPE_SRC_DIGITAL},
    {"line", MIXERLINE_COMPONENTTYPE_SRC_LINE},               {"microphone", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE},
    {"synthesizer", MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER}, {"compactdisc", MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC},
    {"telephone", MIXERLINE_COMPONENTTYPE_SRC_TELEPHONE},     {"pcspeaker", MIXERLINE_COMPONENTTYPE_SRC_PCSPEAKER},
    {"waveout", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT},         {"auxiliary", MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY},
    {"analog", MIXERLINE_COMPONENTTYPE_SRC_ANALOG},
};

constexpr NamedNumber kControlKinds[] = {
    {"volume", MIXERCONTROL_CONTROLTYPE_VOLUME}, {"mute", MIXERCONTROL_CONTROLTYPE_MUTE},
    {"mux", MIXERCONTROL_CONTROLTYPE_MUX},       {"mixer", MIXERCONTROL_CONTROLTYPE_MIXER},
    {"boolean", MIXERCONTROL_CONTROLTYPE_BOOLEAN},
};

// A line of the text form cut into words; a quoted word keeps its spaces.
// Words of the form key=value stay whole ("items" may hold several quoted
// texts separated by commas).
class Tokens {
public:
    explicit Tokens(std::string_view line) : m_s(line) {}

    // Next word, unquoted; false at the end or on an open quote.
    bool Next(std::string& word, std::string* error)
    {
        while (m_i < m_s.size() && std::isspace(static_cast<unsigned char>(m_s[m_i])))
            ++m_i;
        if (m_i >= m_s.size())
            return false;
        word.clear();
        while (m_i < m_s.size() && !std::isspace(static_cast<unsigned char>(m_s[m_i]))) {
            if (m_s[m_i] == '"') {
                // Quotes stay in the word so that lists of texts can be split later.
                const auto end = m_s.find('"', m_i + 1);
                if (end == std::string_view::npos) {
                    *error = "unterminated quote";
                    return false;
                }
                word.append(m_s.substr(m_i, end - m_i + 1));
                m_i = end + 1;
            } else {
                word += m_s[m_i++];
            }
        }
        return true;
    }

private:
    std::string_view m_s;
    std::size_t m_i = 0;
};

// Splits "a","b" or 1,2,3 at the commas outside quotes and drops the quotes.
std::vector<std::string> SplitList(std::string_view s)
{
    std::vector<std::string> parts(1);
    bool quoted = false;
    for (char ch : s) {
        if (ch == '"')
            quoted = !quoted;
        else if (ch == ',' && !quoted)
            parts.emplace_back();
        else
            parts.back() += ch;
    }
    return parts;
}

bool ParseNumber(const std::string& s, long long& out)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    out = std::strtoll(s.c_str(), &end, 0);
    return *end == '\0';
}

bool Lookup(const NamedNumber* table, std::size_t n, const std::string& word, DWORD& out)
{
    for (std::size_t i = 0; i < n; ++i)
        if (EqualsNoCase(table[i].name, word)) {
            out = table[i].value;
            return true;
        }
    long long v = 0;
    if (!ParseNumber(word, v))
        return false;
    out = static_cast<DWORD>(v);
    return true;
}

template <std::size_t N> bool Lookup(const NamedNumber (&table)[N], const std::string& word, DWORD& out)
{
    return Lookup(table, N, word, out);
}

// A control as written, finished once its line and the destination's
// sources are all known.
struct PendingControl {
    MixerControlModel* control;
    const MixerLineModel* line;
    const MixerLineModel* destination;
    std::vector<LONG> values;
    bool hasItems;
};

bool FinishControl(PendingControl& p, std::string* error)
{
    auto& c = *p.control;
    if (c.flags & MIXERCONTROL_CONTROLF_MULTIPLE && !p.hasItems) {
        c.items.clear();
        for (const auto& src : p.destination->sources)
            c.items.push_back(src.name);
    }
    const std::size_t count = std::size_t{c.Channels(p.line->channels)} * c.ItemCount();
    if (p.values.empty())
        c.values.assign(count, c.minimum);
    else if (p.values.size() == 1)
        c.values.assign(count, p.values[0]);
    else if (p.values.size() == count)
        c.values = p.values;
    else {
        *error = "control \"" + c.name + "\": " + std::to_string(p.values.size()) + " values given, " +
                 std::to_string(count) + " expected";
        return false;
    }
    return true;
}

bool ParseLineAttribute(const std::string& word, MixerLineModel& line, bool isSource, std::string* error)
{
    const auto eq = word.find('=');
    const std::string key = word.substr(0, eq);
    const std::string value = eq == std::string::npos ? "" : SplitList(word.substr(eq + 1)).front();
    long long n = 0;
    if (key == "type" && (isSource ? Lookup(kSourceTypes, value, line.componentType)
                                   : Lookup(kDestinationTypes, value, line.componentType)))
        return true;
    if (key == "channels" && ParseNumber(value, n) && n >= 1 && n <= 8) {
        line.channels = static_cast<DWORD>(n);
        return true;
    }
    if (key == "short") {
        line.shortName = value;
        return true;
    }
    if (word == "unreadable") {
        line.unreadable = true;
        return true;
    }
    if (word == "controls-unreadable") {
        line.controlsUnreadable = true;
        return true;
    }
    *error = "bad line attribute '" + word + "'";
    return false;
}

bool ParseControlAttribute(const std::string& word, PendingControl& p, std::string* error)
{
    auto& c = *p.control;
    const auto eq = word.find('=');
    const std::string key = word.substr(0, eq);
    const std::vector<std::string> list = eq == std::string::npos ? std::vector<std::string>{} : SplitList(word.substr(eq + 1));
    long long n = 0;
    if (key == "value") {
        for (const auto& v : list) {
            if (!ParseNumber(v, n)) {
                *error = "bad value '" + v + "'";
                return false;
            }
            p.values.push_back(static_cast<LONG>(n));
        }
        return true;
    }
    if ((key == "min" || key == "max") && list.size() == 1 && ParseNumber(list[0], n)) {
        (key == "min" ? c.minimum : c.maximum) = static_cast<LONG>(n);
        return true;
    }
    if (key == "items") {
        c.items = list;
        p.hasItems = true;
        return true;
    }
    if (key == "short" && list.size() == 1) {
        c.shortName = list[0];
        return true;
    }
    if (word == "uniform") {
        c.flags |= MIXERCONTROL_CONTROLF_UNIFORM;
        return true;
    }
    if (word == "unreadable") {
        c.unreadable = true;
        return true;
    }
    if (word == "fails-write") {
        c.failsWrite = true;
        return true;
    }
    *error = "bad control attribute '" + word + "'";
    return false;
}

// Defaults that follow from a control's type.
void ApplyTypeDefaults(MixerControlModel& c)
{
    switch (c.type) {
    case MIXERCONTROL_CONTROLTYPE_VOLUME:
        c.maximum = 65535;
        c.steps = 65536;
        break;
    case MIXERCONTROL_CONTROLTYPE_MUX:
    case MIXERCONTROL_CONTROLTYPE_MIXER:
        c.flags |= MIXERCONTROL_CONTROLF_UNIFORM | MIXERCONTROL_CONTROLF_MULTIPLE;
        break;
    default:
        break;
    }
}

} // namespace

std::optional<MixerDevices> ParseMixerModel(std::string_view text, std::string* error)
{
    MixerDevices devices;
    int lineNo = 0;
    std::string why;
    auto fail = [&](const std::string& message) {
        *error = "line " + std::to_string(lineNo) + ": " + message;
        return std::nullopt;
    };

    // Controls are read after all lines: a list control's items default to
    // the names of sources that may follow it.
    struct RawControl {
        MixerDeviceModel* device;
        std::size_t destination;
        long source; // -1: on the destination
        std::vector<std::string> words;
        int lineNo;
    };
    std::vector<RawControl> raw;
    bool haveLine = false;
    long currentSource = -1;

    std::size_t pos = 0;
    while (pos <= text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view row = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;

        Tokens tokens(row);
        std::vector<std::string> words;
        std::string word;
        while (tokens.Next(word, &why))
            words.push_back(word);
        if (!why.empty())
            return fail(why);
        if (words.empty() || words[0][0] == '#')
            continue;

        const std::string& keyword = words[0];
        if (keyword == "device") {
            if (words.size() != 2)
                return fail("device needs a name and nothing else");
            devices.push_back(std::make_shared<MixerDeviceModel>());
            devices.back()->name = SplitList(words[1]).front();
            haveLine = false;
        } else if (keyword == "destination" || keyword == "source") {
            const bool isSource = keyword == "source";
            if (devices.empty() || (isSource && devices.back()->destinations.empty()))
                return fail(keyword + " outside its " + (isSource ? "destination" : "device"));
            if (words.size() < 2)
                return fail(keyword + " needs a name");
            auto& dests = devices.back()->destinations;
            auto& list = isSource ? dests.back().sources : dests;
            auto& line = list.emplace_back();
            line.name = SplitList(words[1]).front();
            line.componentType = isSource ? MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED : MIXERLINE_COMPONENTTYPE_DST_UNDEFINED;
            for (std::size_t i = 2; i < words.size(); ++i)
                if (!ParseLineAttribute(words[i], line, isSource, &why))
                    return fail(why);
            haveLine = true;
            currentSource = isSource ? static_cast<long>(list.size() - 1) : -1;
        } else if (keyword == "control") {
            if (!haveLine)
                return fail("control outside a line");
            raw.push_back({devices.back().get(), devices.back()->destinations.size() - 1, currentSource,
                           {words.begin() + 1, words.end()}, lineNo});
        } else {
            return fail("unknown item '" + keyword + "'");
        }
    }

    for (auto& r : raw) {
        lineNo = r.lineNo;
        auto& dest = r.device->destinations[r.destination];
        auto& owner = r.source < 0 ? dest : dest.sources[static_cast<std::size_t>(r.source)];
        if (r.words.empty())
            return fail("control needs a kind");
        MixerControlModel c;
        if (r.words[0].rfind("type=", 0) == 0) {
            long long n = 0;
            if (!ParseNumber(r.words[0].substr(5), n))
                return fail("bad control type '" + r.words[0] + "'");
            c.type = static_cast<DWORD>(n);
        } else if (!Lookup(kControlKinds, r.words[0], c.type)) {
            return fail("unknown control kind '" + r.words[0] + "'");
        }
        std::size_t next = 1;
        if (r.words.size() > 1 && r.words[1][0] == '"')
            c.name = SplitList(r.words[next++]).front();
        ApplyTypeDefaults(c);
        PendingControl p{&c, &owner, &dest, {}, false};
        for (std::size_t i = next; i < r.words.size(); ++i)
            if (!ParseControlAttribute(r.words[i], p, &why))
                return fail(why);
        if (!FinishControl(p, &why))
            return fail(why);
        owner.controls.push_back(std::move(c));
    }
    for (auto& d : devices)
        d->AssignIds();
    return devices;
}
