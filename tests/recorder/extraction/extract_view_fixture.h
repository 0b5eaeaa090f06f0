// The extraction form inside a whole recorder started in the test process
// (the shell tests' fixture), with Pcmtap registered in the test's own
// registry and videos made by ffmpeg in the test's folder.
#pragma once

#include "extraction/extract_view.h"
#include "extraction_kit.h"
#include "recorder_fixture.h"
#include "res/extract_form.h"
#include "res/resource.h"

#include <QProgressBar>

#include <functional>
#include <string>
#include <vector>

namespace extractview {

inline const std::vector<std::string> kMp3Audio = {"-c:a", "libmp3lame", "-b:a", "128k"};
inline const std::vector<std::string> kPcmAudio = {"-c:a", "pcm_s16le"};
inline const std::vector<std::string> kWmaAudio = {"-c:a", "wmav2", "-b:a", "128k"};

// Runs fn from the event queue: during an extraction, at the next progress
// report's dispatching.
void Later(std::function<void()> fn, int delayMs = 0);

} // namespace extractview

class ExtractViewTest : public RecorderTest {
protected:
    // Starts the recorder and switches to the extraction mode; the boxes
    // shown so far are forgotten.
    void SetUp() override;

    CExtractView* View() const { return Frame()->ActiveExtractView(); }
    void ShowForm();
    void Click(UINT id);
    std::string Text(UINT id) const { return View()->GetDlgItemText(id); }
    void SetText(UINT id, const std::string& text) { View()->SetDlgItemText(id, text); }
    // The selected entry of a list.
    std::string Selected(UINT id) const;
    bool Enabled(UINT id) const { return View()->GetDlgItem(id)->IsWindowEnabled(); }
    bool Checked(UINT id) const { return View()->IsDlgButtonChecked(id) == BST_CHECKED; }
    QProgressBar* Bar() const;
    bool MenuBarEnabled() const { return Frame()->m_pMenuBar->IsWindowEnabled(); }

    // A video in the test's folder; the path, empty when ffmpeg failed.
    std::string Video(const extractkit::VideoSpec& spec, const std::string& name);
    // Picks the file in the browse dialog of the video.
    void ChooseVideo(const std::string& path);
    // Clicks start and calls onValue with every new position of the bar
    // until the extraction has ended.
    void RunExtraction(const std::function<void(int)>& onValue = {});
};
