#include "recorder_fixture.h"

#include "mixer/mixer_devices.h"

#include <QApplication>

namespace {

// One device whose recording destination selects its source by multiplexer.
constexpr const char* kMixerModel = R"(device "Test Audio"
destination "Recording Control" type=wavein channels=2
control mux "Recording Source" value=1,0,0
source "Microphone" type=microphone channels=1
control volume "Mic Volume" value=1000
source "Line In" type=line channels=2
control volume "Line Volume" value=2000
source "Stereo Mix" type=analog channels=2
control volume "Mix Volume" value=3000
)";

} // namespace

void EnsureQtApplication()
{
    static int argc = 1;
    static char name[] = "recorder_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    (void)app;
}

int MixerProbe::SelectedSource()
{
    CMixer mixer;
    if (!mixer.Open(0, nullptr))
        return -1;
    return mixer.GetSelectedId();
}

RecorderTest::RecorderTest()
{
    EnsureQtApplication();
    std::string error;
    InstallMixerDevices(ParseMixerModel(kMixerModel, &error));
    g_strLaunchMode.clear();
}

RecorderTest::~RecorderTest()
{
    if (m_app)
        m_app->ExitInstance();
    m_app.reset();
    m_pulse.reset();
    InstallMixerDevices(std::nullopt);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool RecorderTest::StartSoundServer(testkit::PulseOptions options)
{
    m_pulse = std::make_unique<testkit::PulseServer>(options);
    return m_pulse->Start();
}

void RecorderTest::WithoutSoundServer()
{
    m_noPulse = std::make_unique<testkit::ScopedEnv>("PULSE_SERVER", "unix:" + (m_dir / "no-server"));
}

BOOL RecorderTest::Start(std::vector<std::string> args)
{
    const bool special = !args.empty() && (args[0] == LAUNCH_INTERNAL || args[0] == LAUNCH_MIC);
    if (!special && !m_pulse && !m_noPulse) {
        EXPECT_TRUE(StartSoundServer()) << m_pulse->Log();
    }
    m_app = std::make_unique<CBrisaRecordApp>(m_store);
    m_app->SetArguments(std::move(args));
    return m_app->InitInstance();
}

void RecorderTest::Pump()
{
    m_app->PumpAndIdle();
}

CBrisaRecordDoc* RecorderTest::Doc() const
{
    CSingleDocTemplate* t = m_app->GetFirstDocTemplate();
    return t ? static_cast<CBrisaRecordDoc*>(t->GetFirstDoc()) : nullptr;
}

std::optional<RunningRecord> RecorderTest::RecorderBlock() const
{
    SharedMemBlock block;
    if (!OpenSharedBlock(RECORDER_BLOCK_NAME, block))
        return std::nullopt;
    return ReadRunningRecord(block);
}

std::string RecorderTest::Profile(const std::string& section, const std::string& entry)
{
    const std::string key = std::string("Software\\VELMORA\\Ardo サウンドレコーダー\\") + section;
    if (auto s = m_store.GetString(key, entry))
        return *s;
    if (auto d = m_store.GetDword(key, entry))
        return std::to_string(static_cast<int>(*d));
    return "<missing>";
}
