#include "media_kit.h"

#include "core/text.h"
#include "process/process.h"

#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace mediakit {

int Run(const std::vector<std::string>& args, const std::string& stdoutPath)
{
    std::string line;
    for (const std::string& a : args)
        line += (line.empty() ? "" : " ") + ("\"" + a + "\"");
    StdHandles std;
    std.out = ::open(stdoutPath.empty() ? "/dev/null" : stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std.err = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    std.in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    HPROCESS process = nullptr;
    DWORD err = CreateProcess(line, "", 0, &process, &std);
    ::close(std.out);
    ::close(std.err);
    ::close(std.in);
    if (err != ERROR_SUCCESS)
        return -1;
    WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return static_cast<int>(code);
}

const std::vector<VideoKind>& VideoKinds()
{
    static const std::vector<VideoKind> kinds = {
        {"AviMpeg4Mp3", ".avi", {"-c:v", "mpeg4", "-c:a", "libmp3lame", "-b:a", "128k"}, false, true},
        {"AviPcm", ".avi", {"-c:v", "mpeg4", "-c:a", "pcm_s16le"}, true, true},
        {"WmvWmv2Wma2", ".wmv", {"-c:v", "wmv2", "-c:a", "wmav2", "-b:a", "128k"}, false, true},
        {"Mp4", ".mp4", {"-c:v", "mpeg4", "-c:a", "aac", "-b:a", "128k"}, false, false},
        {"Mkv", ".mkv", {"-c:v", "mpeg4", "-c:a", "libmp3lame", "-b:a", "128k"}, false, false},
    };
    return kinds;
}

bool MakeVideo(const VideoKind& kind, const std::string& path, int seconds)
{
    const std::string d = std::to_string(seconds);
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-y", "-loglevel", "error",
        "-f", "lavfi", "-i", "testsrc=size=160x120:rate=15:duration=" + d,
        "-f", "lavfi", "-i", "aevalsrc=0.5*sin(440*2*PI*t)|0.3*sin(660*2*PI*t):s=44100:d=" + d};
    args.insert(args.end(), kind.codecArgs.begin(), kind.codecArgs.end());
    args.push_back(path);
    return Run(args) == 0;
}

std::string DecodeS16(const std::string& path)
{
    const std::string out = path + ".ref.raw";
    Run({"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-i", path, "-vn", "-map", "0:a:0", "-f", "s16le", out});
    std::ifstream in(out, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    ::unlink(out.c_str());
    return s.str();
}

std::vector<IPin*> Pins(IBaseFilter* filter, PIN_DIRECTION dir)
{
    std::vector<IPin*> out;
    IEnumPins* e = nullptr;
    if (FAILED(filter->EnumPins(&e)))
        return out;
    IPin* pin = nullptr;
    while (e->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION d;
        if (SUCCEEDED(pin->QueryDirection(&d)) && d == dir)
            out.push_back(pin);
        else
            pin->Release();
    }
    e->Release();
    return out;
}

void ReleaseAll(std::vector<IPin*>& pins)
{
    for (IPin* p : pins)
        p->Release();
    pins.clear();
}

int PinFlags(IPin* pin)
{
    int flags = 0;
    IEnumMediaTypes* e = nullptr;
    if (FAILED(pin->EnumMediaTypes(&e)))
        return 0;
    AM_MEDIA_TYPE* mt = nullptr;
    while (e->Next(1, &mt, nullptr) == S_OK) {
        if (mt->majortype == MEDIATYPE_Audio || mt->majortype == MEDIATYPE_AnalogAudio)
            flags |= MF_AUDIO;
        if (mt->majortype == MEDIATYPE_Video)
            flags |= MF_VIDEO;
        DeleteMediaType(mt);
    }
    e->Release();
    return flags;
}

std::vector<FilterRecord> Classify(IFilterGraph* graph)
{
    std::vector<FilterRecord> out;
    IEnumFilters* e = nullptr;
    if (FAILED(graph->EnumFilters(&e)))
        return out;
    IBaseFilter* f = nullptr;
    while (e->Next(1, &f, nullptr) == S_OK) {
        FILTER_INFO info{};
        if (SUCCEEDED(f->QueryFilterInfo(&info))) {
            if (info.pGraph)
                info.pGraph->Release();
            FilterRecord r;
            r.name = Utf16ToUtf8(info.achName);
            for (PIN_DIRECTION dir : {PINDIR_INPUT, PINDIR_OUTPUT}) {
                std::vector<IPin*> pins = Pins(f, dir);
                int flags = 0;
                for (IPin* p : pins)
                    flags |= PinFlags(p);
                (dir == PINDIR_INPUT ? r.hasInput : r.hasOutput) = !pins.empty();
                (dir == PINDIR_INPUT ? r.inputFlags : r.outputFlags) = flags;
                ReleaseAll(pins);
            }
            if (r.hasInput && r.hasOutput) {
                if (!r.inputFlags)
                    r.inputFlags = r.outputFlags;
                if (!r.outputFlags)
                    r.outputFlags = r.inputFlags;
            }
            out.push_back(r);
        }
        f->Release();
    }
    e->Release();
    return out;
}

namespace {
template <class Pred> const FilterRecord* First(const std::vector<FilterRecord>& r, Pred p)
{
    for (const FilterRecord& x : r)
        if (p(x))
            return &x;
    return nullptr;
}
}

const FilterRecord* FindSplitter(const std::vector<FilterRecord>& r)
{
    return First(r, [](const FilterRecord& x) { return x.hasOutput && (x.outputFlags & 3) == 3; });
}
const FilterRecord* FindAudioDecoder(const std::vector<FilterRecord>& r)
{
    return First(r, [](const FilterRecord& x) { return x.hasOutput && x.hasInput && x.outputFlags == 1 && x.inputFlags == 1; });
}
const FilterRecord* FindVideoDecoder(const std::vector<FilterRecord>& r)
{
    return First(r, [](const FilterRecord& x) { return x.hasOutput && x.hasInput && x.outputFlags == 2 && x.inputFlags == 2; });
}
const FilterRecord* FindAudioRenderer(const std::vector<FilterRecord>& r)
{
    return First(r, [](const FilterRecord& x) { return x.hasInput && !x.hasOutput && (x.inputFlags & MF_AUDIO); });
}
const FilterRecord* FindVideoRenderer(const std::vector<FilterRecord>& r)
{
    return First(r, [](const FilterRecord& x) { return x.hasInput && !x.hasOutput && x.outputFlags == 0 && !(x.inputFlags & MF_AUDIO); });
}

IBaseFilter* FindByName(IFilterGraph* graph, const std::string& name)
{
    IBaseFilter* f = nullptr;
    return SUCCEEDED(graph->FindFilterByName(Utf8ToUtf16(name).c_str(), &f)) ? f : nullptr;
}

void DisconnectPins(IBaseFilter* filter, PIN_DIRECTION dir, bool audio)
{
    std::vector<IPin*> pins = Pins(filter, dir);
    for (IPin* p : pins) {
        if (((PinFlags(p) & MF_AUDIO) != 0) != audio)
            continue;
        IPin* peer = nullptr;
        if (SUCCEEDED(p->ConnectedTo(&peer))) {
            if (SUCCEEDED(p->Disconnect()))
                peer->Disconnect();
            peer->Release();
        }
    }
    ReleaseAll(pins);
}

WAVEFORMATEX FirstWaveFormat(IPin* pin)
{
    WAVEFORMATEX wfx{};
    IEnumMediaTypes* e = nullptr;
    if (FAILED(pin->EnumMediaTypes(&e)))
        return wfx;
    AM_MEDIA_TYPE* mt = nullptr;
    if (e->Next(1, &mt, nullptr) == S_OK) {
        if (mt->majortype == MEDIATYPE_Audio && mt->formattype == FORMAT_WaveFormatEx && mt->cbFormat >= sizeof wfx)
            std::memcpy(&wfx, mt->pbFormat, sizeof wfx);
        DeleteMediaType(mt);
    }
    e->Release();
    return wfx;
}

} // namespace mediakit
