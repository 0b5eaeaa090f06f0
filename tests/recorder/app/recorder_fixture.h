// A recorder started in the test process on Qt's offscreen platform: its own
// registry file, its own folder of named blocks, a Japanese locale, a mixer
// described in data, and a scripted UI answering every box and dialog.
#pragma once

#include "app/brisa_record_app.h"
#include "app/brisa_record_doc.h"
#include "app/main_frame.h"
#include "power/scripted_power.h"
#include "pulse_server.h"
#include "testkit.h"
#include "toolkit/scripted_ui.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

// The one QApplication of a test program.
void EnsureQtApplication();

// Recording-source values of the data-described mixer, to observe what the
// recorder applied.
struct MixerProbe {
    // The selected item of the multiplexer of device 0, or -1.
    static int SelectedSource();
};

class RecorderTest : public ::testing::Test {
protected:
    RecorderTest();
    ~RecorderTest() override;

    // A second registry for the app, the claim folder and the locale.
    testkit::TempDir m_dir;
    testkit::ScopedEnv m_runtime{"XDG_RUNTIME_DIR", m_dir.Path()};
    testkit::ScopedEnv m_locale{"LC_ALL", "ja_JP.UTF-8"};
    RegistryStore m_store{m_dir / "registry.reg"};
    ScriptedUi m_ui;
    ScriptedPower m_power; // no test powers anything off
    std::unique_ptr<testkit::PulseServer> m_pulse;
    std::unique_ptr<testkit::ScopedEnv> m_noPulse;
    std::unique_ptr<CBrisaRecordApp> m_app;

    // Makes the application object and runs InitInstance with the words.
    // A normal start checks the sound device: a private sound server runs
    // for it unless the test started its own or chose none.
    BOOL Start(std::vector<std::string> args = {});
    // The sound server of the start; options as the test wants them.
    bool StartSoundServer(testkit::PulseOptions options = {});
    // No sound server at all for this test.
    void WithoutSoundServer();
    // Handles what is queued and runs the idle passes.
    void Pump();
    CMainFrame* Frame() const { return m_app->GetMainFrame(); }
    CBrisaRecordDoc* Doc() const;
    // The running record of the recorder's block, if the block exists.
    std::optional<RunningRecord> RecorderBlock() const;
    std::string Profile(const std::string& section, const std::string& entry);
};
