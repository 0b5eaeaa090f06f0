// Prints the time to dump the sound of a 10-minute video through the media
// graph into the dump filter (as the extraction engine rewires it), next to
// the time ffmpeg takes to decode the same sound to nowhere, in the same run.
//
// Usage: pcmtap_bench [VIDEO]   (without VIDEO, a 10-minute AVI with MPEG-4
// video and MP3 sound is made in a temporary folder first)
#include "media_kit.h"

#include "com/com.h"
#include "core/text.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

using namespace mediakit;
using Clock = std::chrono::steady_clock;

namespace {

// {6FCF00BB-35B9-4186-8A27-8587CD0A3F8C}
const CLSID kSoundDump = {0x6FCF00BB, 0x35B9, 0x4186, {0x8A, 0x27, 0x85, 0x87, 0xCD, 0x0A, 0x3F, 0x8C}};

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Render, cut the video, replace the audio renderer by the dump, run to the end.
bool DumpThroughGraph(const std::string& video, const std::string& raw)
{
    ComPtr<IGraphBuilder> graph;
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.Out()))
        || FAILED(graph->RenderFile(Utf8ToUtf16(video).c_str(), nullptr)))
        return false;
    const std::vector<FilterRecord> records = Classify(graph.Get());
    if (!FindSplitter(records) || !FindAudioRenderer(records))
        return false;
    ComPtr<IBaseFilter> dump;
    ComPtr<IFileSinkFilter> sink;
    if (FAILED(CoCreateInstance(kSoundDump, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, dump.Out()))
        || FAILED(dump->QueryInterface(IID_IFileSinkFilter, sink.Out()))
        || FAILED(sink->SetFileName(Utf8ToUtf16(raw).c_str(), nullptr))
        || FAILED(graph->AddFilter(dump.Get(), u"DataDump")))
        return false;
    IBaseFilter* splitter = FindByName(graph.Get(), FindSplitter(records)->name);
    DisconnectPins(splitter, PINDIR_OUTPUT, false);
    splitter->Release();
    if (const FilterRecord* vr = FindVideoRenderer(records)) {
        IBaseFilter* renderer = FindByName(graph.Get(), vr->name);
        DisconnectPins(renderer, PINDIR_INPUT, false);
        renderer->Release();
    }
    IBaseFilter* audio = FindByName(graph.Get(), FindAudioRenderer(records)->name);
    std::vector<IPin*> ins = Pins(audio, PINDIR_INPUT);
    std::vector<IPin*> dumpIn = Pins(dump.Get(), PINDIR_INPUT);
    IPin* upstream = nullptr;
    bool ok = SUCCEEDED(ins[0]->ConnectedTo(&upstream));
    if (ok) {
        ins[0]->Disconnect();
        upstream->Disconnect();
        ok = SUCCEEDED(graph->Connect(upstream, dumpIn[0]));
        upstream->Release();
    }
    ReleaseAll(ins);
    ReleaseAll(dumpIn);
    audio->Release();
    ComPtr<IMediaControl> control;
    ComPtr<IMediaSeeking> seeking;
    if (!ok || FAILED(graph->QueryInterface(IID_IMediaControl, control.Out()))
        || FAILED(dump->QueryInterface(IID_IMediaSeeking, seeking.Out())))
        return false;
    LONGLONG duration = 0, position = 0;
    seeking->GetDuration(&duration);
    if (FAILED(control->Run()))
        return false;
    // The engine polls without waiting; a short pause here keeps the poll off the second core.
    while (position < duration) {
        seeking->GetCurrentPosition(&position);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    control->Stop();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string work = std::filesystem::temp_directory_path() / ("pcmtap_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(work);
    ::setenv("QX_REGISTRY", (work + "/registry.reg").c_str(), 1);
    if (Run({QX_BIN_DIR "/regsvr", PCMTAP_LIBRARY}) != 0) {
        std::fprintf(stderr, "cannot register the dump filter\n");
        return 1;
    }
    std::string video = argc > 1 ? argv[1] : work + "/ten_minutes.avi";
    if (argc <= 1) {
        std::printf("making a 10-minute AVI (MPEG-4 320x240, MP3 44.1 kHz stereo)...\n");
        if (Run({"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=600",
                "-f", "lavfi", "-i", "aevalsrc=0.5*sin(440*2*PI*t)|0.3*sin(660*2*PI*t):s=44100:d=600",
                "-c:v", "mpeg4", "-q:v", "5", "-c:a", "libmp3lame", "-b:a", "192k", video}) != 0) {
            std::fprintf(stderr, "ffmpeg could not make the video\n");
            return 1;
        }
    }
    auto start = Clock::now();
    const bool ok = DumpThroughGraph(video, work + "/dump.raw");
    const double graph = Seconds(start);
    const auto dumped = ok ? std::filesystem::file_size(work + "/dump.raw") : 0;

    start = Clock::now();
    Run({"ffmpeg", "-nostdin", "-loglevel", "error", "-i", video, "-vn", "-f", "s16le", "-y", "/dev/null"});
    const double ffmpeg = Seconds(start);

    std::printf("video:             %s\n", video.c_str());
    std::printf("graph dump:        %.3f s (%s, %llu bytes of PCM)\n", graph, ok ? "ok" : "FAILED", static_cast<unsigned long long>(dumped));
    std::printf("ffmpeg -vn s16le:  %.3f s\n", ffmpeg);
    std::printf("ratio:             %.2f (target <= 1.20)\n", graph / ffmpeg);
    std::filesystem::remove_all(work);
    return ok ? 0 : 1;
}
