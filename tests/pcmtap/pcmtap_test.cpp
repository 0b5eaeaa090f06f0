// The dump filter through its registered server: registration, the file
// sink rules, and the extraction rewiring on real videos, compared with
// what ffmpeg decodes.
#include "media_kit.h"
#include "testkit.h"

#include "pcmtap_uids.h"

#include "com/com.h"
#include "core/text.h"
#include "registry/registry.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

using namespace mediakit;

namespace {

// One private registry for the whole program, with Pcmtap registered by regsvr.
class RegisteredServer : public ::testing::Environment {
public:
    void SetUp() override
    {
        ::setenv("QX_REGISTRY", (m_dir / "registry.reg").c_str(), 1);
        ASSERT_EQ(Run({QX_BIN_DIR "/regsvr", PCMTAP_LIBRARY}), 0);
    }
    testkit::TempDir m_dir;
};
const auto* const g_env = ::testing::AddGlobalTestEnvironment(new RegisteredServer);

IBaseFilter* NewDump()
{
    IBaseFilter* f = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_SoundDump, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, reinterpret_cast<void**>(&f)), S_OK);
    return f;
}

template <class T> T* Query(IUnknown* unk, REFIID iid)
{
    T* out = nullptr;
    EXPECT_EQ(unk->QueryInterface(iid, reinterpret_cast<void**>(&out)), S_OK);
    return out;
}

TEST(Pcmtap, RegistrationNamesTheServerAndTheFilter)
{
    RegistryStore& reg = RegistryStore::User();
    const std::string key = "Software\\Classes\\CLSID\\{6FCF00BB-35B9-4186-8A27-8587CD0A3F8C}";
    EXPECT_EQ(reg.GetString(key, ""), "sound dump filter");
    EXPECT_EQ(reg.GetString(key + "\\InprocServer32", ""), std::filesystem::canonical(PCMTAP_LIBRARY).string());
    EXPECT_EQ(reg.GetString(key + "\\InprocServer32", "ThreadingModel"), "Both");
    const std::string instance = "Software\\Classes\\CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\{6FCF00BB-35B9-4186-8A27-8587CD0A3F8C}";
    EXPECT_EQ(reg.GetDword(instance, "Merit"), 0x00200000u);
    EXPECT_EQ(reg.GetString(instance + "\\Pins\\0", "Name"), "Input");
    EXPECT_EQ(reg.GetString(instance + "\\Pins\\0", "ConnectsToPin"), "Output");

    IBaseFilter* dump = NewDump();
    ASSERT_TRUE(dump);
    IPin* in = nullptr;
    EXPECT_EQ(dump->FindPin(u"In", &in), S_OK);
    PIN_DIRECTION dir;
    in->QueryDirection(&dir);
    EXPECT_EQ(dir, PINDIR_INPUT);
    in->Release();
    CLSID clsid;
    EXPECT_EQ(dump->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_SoundDump);
    dump->Release();
}

TEST(Pcmtap, FileSinkRules)
{
    testkit::TempDir dir;
    IBaseFilter* dump = NewDump();
    auto* sink = Query<IFileSinkFilter>(dump, IID_IFileSinkFilter);

    LPOLESTR name = reinterpret_cast<LPOLESTR>(1);
    AM_MEDIA_TYPE mt;
    std::memset(&mt, 0xAB, sizeof mt);
    EXPECT_EQ(sink->GetCurFile(&name, &mt), S_OK);
    EXPECT_EQ(name, nullptr);
    EXPECT_EQ(mt.majortype, GUID_NULL);
    EXPECT_EQ(mt.subtype, GUID_NULL);
    EXPECT_EQ(sink->SetFileName(nullptr, nullptr), E_POINTER);

    // Exactly 260 characters is taken and creates the file at once; 261 answers 206.
    std::string base = dir.Path() + "/";
    const std::string exact = base + std::string(260 - base.size() - 4, 'a') + ".raw";
    const std::string over = base + std::string(261 - base.size() - 4, 'b') + ".raw";
    ASSERT_EQ(exact.size(), 260u);
    testkit::WriteFile(exact, "old content");
    EXPECT_EQ(sink->SetFileName(Utf8ToUtf16(exact).c_str(), nullptr), S_OK);
    EXPECT_EQ(std::filesystem::file_size(exact), 0u);
    EXPECT_EQ(sink->SetFileName(Utf8ToUtf16(over).c_str(), nullptr), 206);
    EXPECT_FALSE(std::filesystem::exists(over));
    EXPECT_EQ(sink->GetCurFile(&name, nullptr), S_OK);
    EXPECT_EQ(Utf16ToUtf8(name), exact); // the previous name stays
    CoTaskMemFree(name);

    const HRESULT bad = sink->SetFileName(Utf8ToUtf16(dir / "no/such/folder.raw").c_str(), nullptr);
    EXPECT_EQ(bad, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    sink->Release();
    dump->Release();
}

// Renders the file, cuts the video, puts the dump filter in the audio
// renderer's place, as the extraction engine does.  Returns the graph.
IGraphBuilder* PrepareExtraction(const std::string& video, const std::string& raw, IBaseFilter** dumpOut, WAVEFORMATEX* source)
{
    IGraphBuilder* graph = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, reinterpret_cast<void**>(&graph)), S_OK);
    EXPECT_TRUE(SUCCEEDED(graph->RenderFile(Utf8ToUtf16(video).c_str(), nullptr)));
    const std::vector<FilterRecord> records = Classify(graph);

    IBaseFilter* dump = NewDump();
    auto* sink = Query<IFileSinkFilter>(dump, IID_IFileSinkFilter);
    EXPECT_EQ(sink->SetFileName(Utf8ToUtf16(raw).c_str(), nullptr), S_OK);
    sink->Release();
    EXPECT_EQ(graph->AddFilter(dump, u"DataDump"), S_OK);

    IBaseFilter* splitter = FindByName(graph, FindSplitter(records)->name);
    IBaseFilter* videoRenderer = FindByName(graph, FindVideoRenderer(records)->name);
    DisconnectPins(splitter, PINDIR_OUTPUT, false);
    DisconnectPins(videoRenderer, PINDIR_INPUT, false);
    splitter->Release();
    videoRenderer->Release();

    IBaseFilter* audioRenderer = FindByName(graph, FindAudioRenderer(records)->name);
    std::vector<IPin*> ins = Pins(audioRenderer, PINDIR_INPUT);
    IPin* upstream = nullptr;
    EXPECT_EQ(ins[0]->ConnectedTo(&upstream), S_OK);
    *source = FirstWaveFormat(upstream);
    ins[0]->Disconnect();
    upstream->Disconnect();
    std::vector<IPin*> dumpIn = Pins(dump, PINDIR_INPUT);
    EXPECT_EQ(graph->Connect(upstream, dumpIn[0]), S_OK);
    ReleaseAll(dumpIn);
    ReleaseAll(ins);
    upstream->Release();
    audioRenderer->Release();
    *dumpOut = dump;
    return graph;
}

// Runs until the dump's position reaches its duration.  With pauses, the
// graph is paused right after each start and resumed once the file has been
// seen to stand still.
void RunToDuration(IGraphBuilder* graph, IBaseFilter* dump, const std::string& raw, int pauses)
{
    auto* control = Query<IMediaControl>(graph, IID_IMediaControl);
    auto* seeking = Query<IMediaSeeking>(dump, IID_IMediaSeeking);
    LONGLONG duration = 0, position = -1;
    EXPECT_EQ(seeking->GetDuration(&duration), S_OK);
    EXPECT_GT(duration, 0);
    EXPECT_EQ(seeking->GetCurrentPosition(&position), S_OK); // before any sample: the source's answer
    EXPECT_EQ(position, 0);
    EXPECT_EQ(control->Run(), S_OK);
    for (int i = 0; i < pauses; ++i) {
        EXPECT_EQ(control->Pause(), S_OK);
        const auto before = std::filesystem::file_size(raw);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(std::filesystem::file_size(raw), before);
        EXPECT_EQ(control->Run(), S_OK);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (position < duration && std::chrono::steady_clock::now() < deadline)
        seeking->GetCurrentPosition(&position);
    EXPECT_EQ(position, duration);
    EXPECT_EQ(control->Stop(), S_OK);
    seeking->Release();
    control->Release();
}

// Largest difference between two s16 streams over their common length.
int MaxDifference(const std::string& a, const std::string& b)
{
    int worst = 0;
    for (std::size_t i = 0; i + 1 < std::min(a.size(), b.size()); i += 2) {
        int x = static_cast<int16_t>(static_cast<uint8_t>(a[i]) | static_cast<uint8_t>(a[i + 1]) << 8);
        int y = static_cast<int16_t>(static_cast<uint8_t>(b[i]) | static_cast<uint8_t>(b[i + 1]) << 8);
        worst = std::max(worst, std::abs(x - y));
    }
    return worst;
}

class ExtractionTest : public ::testing::TestWithParam<VideoKind> {};

TEST_P(ExtractionTest, DumpEqualsWhatFfmpegDecodes)
{
    testkit::TempDir dir;
    const VideoKind& kind = GetParam();
    const std::string video = dir / (std::string("clip") + kind.extension);
    ASSERT_TRUE(MakeVideo(kind, video, 3));
    const std::string raw = dir / "clip.raw";
    IBaseFilter* dump = nullptr;
    WAVEFORMATEX source{};
    IGraphBuilder* graph = PrepareExtraction(video, raw, &dump, &source);
    EXPECT_EQ(source.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(source.nChannels, 2);
    EXPECT_EQ(source.wBitsPerSample, 16);
    EXPECT_EQ(source.nSamplesPerSec, 44100u);
    RunToDuration(graph, dump, raw, 0);
    dump->Release();
    graph->Release();

    const std::string dumped = testkit::ReadFile(raw);
    const std::string reference = DecodeS16(video);
    ASSERT_FALSE(reference.empty());
    if (kind.exactTiming) {
        EXPECT_EQ(dumped.size(), reference.size());
        EXPECT_LE(MaxDifference(dumped, reference), 1);
    } else {
        // Containers with start trimming (encoder delay) that travels beside
        // the packets: the track may differ by a frame or two at the edges.
        EXPECT_NEAR(static_cast<double>(dumped.size()), static_cast<double>(reference.size()), 4 * 2048 * 4);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ExtractionTest, ::testing::ValuesIn(VideoKinds()),
    [](const ::testing::TestParamInfo<VideoKind>& info) { return std::string(info.param.name); });

TEST(Pcmtap, PausingAndResumingKeepsOneContinuousFileAndANewRunStartsAfresh)
{
    testkit::TempDir dir;
    const std::string video = dir / "clip.avi";
    ASSERT_TRUE(MakeVideo(VideoKinds()[0], video, 6));
    const std::string raw = dir / "clip.raw";
    IBaseFilter* dump = nullptr;
    WAVEFORMATEX source{};
    IGraphBuilder* graph = PrepareExtraction(video, raw, &dump, &source);
    const std::string reference = DecodeS16(video);

    RunToDuration(graph, dump, raw, 3);
    const std::string first = testkit::ReadFile(raw);
    EXPECT_EQ(first.size(), reference.size());
    EXPECT_LE(MaxDifference(first, reference), 1);

    RunToDuration(graph, dump, raw, 0); // a second run truncates and dumps again
    EXPECT_EQ(testkit::ReadFile(raw), first);
    dump->Release();
    graph->Release();
}

TEST(Pcmtap, WithoutAFileNameSamplesAreDropped)
{
    testkit::TempDir dir;
    const std::string video = dir / "clip.avi";
    ASSERT_TRUE(MakeVideo(VideoKinds()[1], video, 1));
    IGraphBuilder* graph = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, reinterpret_cast<void**>(&graph)), S_OK);
    ASSERT_EQ(graph->RenderFile(Utf8ToUtf16(video).c_str(), nullptr), S_OK);
    IBaseFilter* renderer = FindByName(graph, "Audio Renderer");
    std::vector<IPin*> ins = Pins(renderer, PINDIR_INPUT);
    IPin* upstream = nullptr;
    ins[0]->ConnectedTo(&upstream);
    ins[0]->Disconnect();
    upstream->Disconnect();
    IBaseFilter* dump = NewDump();
    EXPECT_EQ(graph->AddFilter(dump, u"DataDump"), S_OK);
    std::vector<IPin*> dumpIn = Pins(dump, PINDIR_INPUT);
    EXPECT_EQ(graph->Connect(upstream, dumpIn[0]), S_OK);
    auto* events = Query<IMediaEvent>(graph, IID_IMediaEvent);
    auto* control = Query<IMediaControl>(graph, IID_IMediaControl);
    long code = 0;
    EXPECT_EQ(control->Run(), S_OK);
    EXPECT_EQ(events->WaitForCompletion(30000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE); // every sample consumed, none stored anywhere
    control->Stop();
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()) || std::filesystem::directory_iterator(dir.Path())->path() == video);
    events->Release();
    control->Release();
    ReleaseAll(dumpIn);
    ReleaseAll(ins);
    upstream->Release();
    renderer->Release();
    dump->Release();
    graph->Release();
}

} // namespace
