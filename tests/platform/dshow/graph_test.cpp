#include "media_kit.h"
#include "testkit.h"

#include "core/text.h"

#include <gtest/gtest.h>

using namespace mediakit;

namespace {

IGraphBuilder* NewGraph()
{
    IGraphBuilder* graph = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, reinterpret_cast<void**>(&graph)), S_OK);
    return graph;
}

template <class T> T* Query(IUnknown* unk, REFIID iid)
{
    T* out = nullptr;
    EXPECT_EQ(unk->QueryInterface(iid, reinterpret_cast<void**>(&out)), S_OK);
    return out;
}

// Runs the graph to its end; the event code, or 0 on time-out.
long RunToEnd(IGraphBuilder* graph)
{
    auto* control = Query<IMediaControl>(graph, IID_IMediaControl);
    auto* events = Query<IMediaEvent>(graph, IID_IMediaEvent);
    long code = 0;
    EXPECT_EQ(control->Run(), S_OK);
    if (events->WaitForCompletion(60000, &code) != S_OK)
        code = 0;
    EXPECT_EQ(control->Stop(), S_OK);
    events->Release();
    control->Release();
    return code;
}

class RenderFileTest : public ::testing::TestWithParam<VideoKind> {};

TEST_P(RenderFileTest, BuildsAPlaybackGraphWhoseRolesAreFoundAndPlaysToTheEnd)
{
    testkit::TempDir dir;
    const VideoKind& kind = GetParam();
    const std::string path = dir / (std::string("clip") + kind.extension);
    ASSERT_TRUE(MakeVideo(kind, path, 2));

    IGraphBuilder* graph = NewGraph();
    ASSERT_TRUE(graph);
    ASSERT_TRUE(SUCCEEDED(graph->RenderFile(Utf8ToUtf16(path).c_str(), nullptr)));

    const std::vector<FilterRecord> records = Classify(graph);
    const FilterRecord* splitter = FindSplitter(records);
    ASSERT_TRUE(splitter);
    EXPECT_TRUE(splitter->name.ends_with(" Splitter")) << splitter->name;
    const FilterRecord* audioDecoder = FindAudioDecoder(records);
    if (kind.pcm) {
        EXPECT_FALSE(audioDecoder) << audioDecoder->name;
    } else {
        ASSERT_TRUE(audioDecoder);
        EXPECT_TRUE(audioDecoder->name.ends_with(" Decoder")) << audioDecoder->name;
    }
    ASSERT_TRUE(FindVideoDecoder(records));
    ASSERT_TRUE(FindAudioRenderer(records));
    EXPECT_EQ(FindAudioRenderer(records)->name, "Audio Renderer");
    ASSERT_TRUE(FindVideoRenderer(records));
    EXPECT_EQ(FindVideoRenderer(records)->name, "Video Renderer");

    // The splitter's audio pin offers the stream's stored format.
    IBaseFilter* split = FindByName(graph, splitter->name);
    ASSERT_TRUE(split);
    std::vector<IPin*> outs = Pins(split, PINDIR_OUTPUT);
    ASSERT_EQ(outs.size(), 2u);
    WAVEFORMATEX stored{};
    for (IPin* p : outs)
        if (PinFlags(p) & MF_AUDIO) {
            stored = FirstWaveFormat(p);
        }
    const WORD expectedTag = kind.pcm ? 1 : std::string(kind.extension) == ".wmv" ? 0x161 : kind.codecArgs[3] == "aac" ? 0xFF : 0x55;
    EXPECT_EQ(stored.wFormatTag, expectedTag);
    EXPECT_EQ(stored.nChannels, 2);
    EXPECT_EQ(stored.nSamplesPerSec, 44100u);
    ReleaseAll(outs);
    split->Release();

    EXPECT_EQ(RunToEnd(graph), EC_COMPLETE);
    auto* seeking = Query<IMediaSeeking>(graph, IID_IMediaSeeking);
    LONGLONG duration = 0;
    EXPECT_EQ(seeking->GetDuration(&duration), S_OK);
    EXPECT_NEAR(static_cast<double>(duration) / UNITS, 2.0, 0.2);
    seeking->Release();
    graph->Release();
}

INSTANTIATE_TEST_SUITE_P(Formats, RenderFileTest, ::testing::ValuesIn(VideoKinds()),
    [](const ::testing::TestParamInfo<VideoKind>& info) { return std::string(info.param.name); });

TEST(Graph, IntelligentConnectInsertsTheDecoderThatDirectConnectCannotDo)
{
    testkit::TempDir dir;
    const std::string path = dir / "clip.avi";
    ASSERT_TRUE(MakeVideo(VideoKinds()[0], path, 1));
    IGraphBuilder* graph = NewGraph();
    ASSERT_EQ(graph->RenderFile(Utf8ToUtf16(path).c_str(), nullptr), S_OK);
    std::vector<FilterRecord> records = Classify(graph);
    IBaseFilter* decoder = FindByName(graph, FindAudioDecoder(records)->name);
    IBaseFilter* splitter = FindByName(graph, FindSplitter(records)->name);
    IBaseFilter* renderer = FindByName(graph, "Audio Renderer");
    ASSERT_TRUE(decoder && splitter && renderer);
    EXPECT_EQ(graph->RemoveFilter(decoder), S_OK);
    decoder->Release();
    EXPECT_FALSE(FindAudioDecoder(Classify(graph)));

    std::vector<IPin*> outs = Pins(splitter, PINDIR_OUTPUT);
    std::vector<IPin*> ins = Pins(renderer, PINDIR_INPUT);
    IPin* audioOut = PinFlags(outs[0]) & MF_AUDIO ? outs[0] : outs[1];
    IPin* peer = nullptr;
    EXPECT_EQ(audioOut->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
    EXPECT_TRUE(FAILED(graph->ConnectDirect(audioOut, ins[0], nullptr))); // the renderer takes PCM only
    EXPECT_EQ(graph->Connect(audioOut, ins[0]), S_OK);
    EXPECT_TRUE(FindAudioDecoder(Classify(graph)));
    EXPECT_EQ(graph->Connect(audioOut, ins[0]), VFW_E_ALREADY_CONNECTED);
    ReleaseAll(outs);
    ReleaseAll(ins);
    splitter->Release();
    renderer->Release();
    EXPECT_EQ(RunToEnd(graph), EC_COMPLETE);
    graph->Release();
}

TEST(Graph, FilterNamesStayUniqueAndFindFilterByNameIsExact)
{
    IGraphBuilder* graph = NewGraph();
    testkit::TempDir dir;
    const std::string path = dir / "clip.avi";
    ASSERT_TRUE(MakeVideo(VideoKinds()[1], path, 1));
    IBaseFilter* a = nullptr;
    IBaseFilter* b = nullptr;
    ASSERT_EQ(graph->AddSourceFilter(Utf8ToUtf16(path).c_str(), u"Source", &a), S_OK);
    ASSERT_EQ(graph->AddSourceFilter(Utf8ToUtf16(path).c_str(), u"Source", &b), S_OK);
    IBaseFilter* found = nullptr;
    EXPECT_EQ(graph->FindFilterByName(u"Source 0001", &found), S_OK);
    EXPECT_EQ(found, b);
    found->Release();
    EXPECT_EQ(graph->FindFilterByName(u"source", &found), VFW_E_NOT_FOUND);
    EXPECT_EQ(graph->AddFilter(a, u"Again"), VFW_E_DUPLICATE_NAME);
    a->Release();
    b->Release();
    graph->Release();
}

TEST(Graph, DamagedInputFailsOrPlaysWhatIsDecodable)
{
    testkit::TempDir dir;
    const std::string good = dir / "good.avi";
    ASSERT_TRUE(MakeVideo(VideoKinds()[0], good, 2));
    const std::string bytes = testkit::ReadFile(good);
    std::string garbage(20000, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>((i * 2654435761u) >> 13);
    std::string flipped = bytes;
    for (std::size_t i = 4000; i < flipped.size(); i += 97)
        flipped[i] = static_cast<char>(~flipped[i]);
    const std::pair<std::string, std::string> cases[] = {
        {"truncated.avi", bytes.substr(0, bytes.size() / 3)},
        {"header_only.avi", bytes.substr(0, 600)},
        {"garbage.avi", garbage},
        {"garbage.wmv", garbage},
        {"empty.mp4", ""},
        {"flipped.avi", flipped},
    };
    for (const auto& [name, content] : cases) {
        SCOPED_TRACE(name);
        testkit::WriteFile(dir / name, content);
        IGraphBuilder* graph = NewGraph();
        if (SUCCEEDED(graph->RenderFile(Utf8ToUtf16(dir / name).c_str(), nullptr))) {
            EXPECT_NE(RunToEnd(graph), 0);
        }
        graph->Release();
    }
    IGraphBuilder* graph = NewGraph();
    EXPECT_EQ(graph->RenderFile(Utf8ToUtf16(dir / "missing.avi").c_str(), nullptr), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    IEnumFilters* e = nullptr;
    IBaseFilter* f = nullptr;
    ASSERT_EQ(graph->EnumFilters(&e), S_OK);
    EXPECT_EQ(e->Next(1, &f, nullptr), S_FALSE); // a failed render leaves nothing behind
    e->Release();
    graph->Release();
}

} // namespace
