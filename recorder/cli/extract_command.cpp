// qxrec extract VIDEO OUT [--type ...] [--rate HZ] [--channels N] [--bits N]:
// what the extraction form does, on the command line.  The video is
// inspected and its decoders and sound shown as the form shows them; what
// the form refuses is refused with the form's words; the output format
// starts from the source's, as the form presets its lists.  A two-stage
// progress bar runs on a terminal, and Ctrl+C cancels (the output is then
// deleted, as the form deletes it).  Exit 0 only when the output was made.

#include "app/path_utils.h"
#include "commands.h"
#include "extraction/sound_extractor.h"
#include "format_options.h"
#include "recording/format_rules.h"

#include "core/text.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* const kExtensions[] = {"wav", "mp3", "wma", "ogg"}; // by OutputFileType
const int kRates[] = {8000, 11025, 22050, 44100, 48000};       // the form's rate list

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int)
{
    g_interrupted = 1;
}

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "qxrec extract: %s\nusage: qxrec extract VIDEO OUT [--type wav|mp3|wma|ogg] [--rate HZ] "
                         "[--channels N] [--bits N]\n",
                 message.c_str());
    return 2;
}

// A refusal in the form's words.
int Refuse(const std::string& message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
    return 1;
}

// The form's inspection of a video: its decoders and its sound, or the
// lines it refuses the file with.
bool Inspect(CSoundExtractor& engine, int* pChannels, int* pRate, int* pBits, std::string* pRefusal)
{
    std::string video, codec;
    const bool hasVideo = engine.GetVideoInfo(&video) != FALSE;
    const bool hasAudio = engine.GetAudioInfo(&codec, pChannels, pRate, pBits) != FALSE;
    const bool usable = hasAudio && *pChannels < 3;
    if (hasVideo && usable) {
        std::printf("ビデオ情報 : %s\n", video.c_str());
        std::printf("オーディオ情報 : %s, %d チャンネル, %d ビット, %d KHz\n", codec.c_str(), *pChannels, *pBits, *pRate / 1000);
        return true;
    }
    if (!hasVideo)
        *pRefusal += "- 動画を再生するビデオフィルタが見つかりません。\n";
    if (!hasAudio)
        *pRefusal += "- 動画を再生するオーディオフィルタが見つかりません。\n";
    *pRefusal += "オーディオデータがないか、2チャンネルより多いため、抽出できません。";
    return false;
}

// The form's progress bar (0 to 100 capturing, 100 to 200 converting), drawn
// on a terminal only.
class TwoStageBar {
public:
    TwoStageBar() : m_shown(isatty(STDERR_FILENO) != 0) {}
    // Ends the bar's line before anything else is written.
    void Finish()
    {
        if (m_shown && m_last >= 0)
            std::fprintf(stderr, "\n");
        m_last = -1;
    }
    void Update(DWORD done, DWORD total)
    {
        const int percent = total ? static_cast<int>(static_cast<double>(done) / static_cast<double>(total) * 100) : 100;
        const int position = percent + (m_bSecondStage ? 100 : 0);
        if (!m_bSecondStage && done == total)
            m_bSecondStage = true;
        if (!m_shown || position == m_last)
            return;
        m_last = position;
        const int width = 40, filled = position * width / 200;
        std::fprintf(stderr, "\r[%s%s] %3d%% %s", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(width - filled), '.').c_str(), position / 2,
                     position < 100 || (position == 100 && !m_bSecondStage) ? "capture" : "convert");
    }

private:
    bool m_shown;
    bool m_bSecondStage = false;
    int m_last = -1;
};

struct RunState {
    CSoundExtractor* engine = nullptr;
    TwoStageBar bar;
    bool cancelled = false;
};

void OnProgress(DWORD done, DWORD total, void* user)
{
    auto* state = static_cast<RunState*>(user);
    state->bar.Update(done, total);
    if (g_interrupted && !state->cancelled) {
        state->cancelled = true;
        state->engine->Cancel();
    }
}

// Asks before an existing output is replaced; only a terminal can answer.
bool MayOverwrite(const std::string& output)
{
    std::fprintf(stderr, "%s ファイルが既に存在します。\nファイルを上書きしてもよろしいですか？ [y/N] ", output.c_str());
    if (!isatty(STDIN_FILENO)) {
        std::fprintf(stderr, "\n");
        return false;
    }
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

} // namespace

int RunExtract(int argc, char** argv)
{
    std::vector<std::string> paths;
    FormatOptions options;
    if (std::string error; !ParsePathsAndFormat(argc, argv, &paths, &options, &error))
        return UsageError(error);
    if (paths.size() != 2)
        return UsageError("a video and an output file are needed");
    if (options.rate && std::find(std::begin(kRates), std::end(kRates), options.rate) == std::end(kRates))
        return UsageError("the rate must be 8000, 11025, 22050, 44100 or 48000");
    const std::string source = paths[0];
    std::string output = paths[1];
    const int type = options.type >= 0 ? options.type : OutputTypeFromPath(output);
    if (type < 0)
        return UsageError("cannot tell the output type from " + output + "; give --type");

    // Ctrl+C from here on cancels: at the latest the first progress report
    // of the run sees it.
    std::signal(SIGINT, OnInterrupt);
    CSoundExtractor engine;
    if (!engine.IsDumpFilterAvailable())
        return Refuse("フィルタの読み込みに失敗しました。\n再インストールを行ってください。");
    // The form's checks, in its order.
    if (!output.empty())
        EnsureExtension(output, kExtensions[type]);
    if (!FileExists(source))
        return Refuse("サウンドを抽出するファイルが存在しません。");
    if (output.empty())
        return Refuse("出力するファイル名をを入力して下さい。");
    if (EqualsNoCase(source, output))
        return Refuse("サウンドを抽出するファイルと出力するファイル名が同じです。\n別の名前を指定してください。");

    if (!engine.OpenSource(source))
        return Refuse("指定されたファイルの読み込みに失敗しました。\n動画ファイルではないか、対応していない形式です。");
    int channels = 0, rate = 0, bits = 0;
    std::string refusal;
    if (!Inspect(engine, &channels, &rate, &bits, &refusal))
        return Refuse(refusal);

    // The form's lists start at 16 bits, stereo, 44 KHz and take the
    // source's values where they list them.
    int outBits = bits == 8 || bits == 16 ? bits : 16;
    int outRate = std::find(std::begin(kRates), std::end(kRates), rate) != std::end(kRates) ? rate : 44100;
    int outChannels = channels;
    if (options.bits)
        outBits = options.bits;
    if (options.rate)
        outRate = options.rate;
    if (options.channels)
        outChannels = options.channels;
    if (const char* reason = FormatRefusalReason(type, outBits, outChannels, outRate))
        return Refuse(FileTypeRuleName(type) + " : " + reason);

    if ((FileExists(output) && !MayOverwrite(output)) || g_interrupted)
        return 1;
    if (!engine.OpenSource(source) || !engine.PrepareExtraction(output, type)) {
        std::fprintf(stderr, "qxrec extract: cannot prepare the extraction into %s\n", output.c_str());
        return 1;
    }
    const WAVEFORMATEX format = MakePcmFormat(static_cast<DWORD>(outRate), static_cast<WORD>(outChannels), static_cast<WORD>(outBits));

    RunState state;
    state.engine = &engine;
    const BOOL produced = engine.Extract(nullptr, OnProgress, &state, &format);
    std::signal(SIGINT, SIG_DFL);
    state.bar.Finish();
    if (state.cancelled) {
        std::error_code ec;
        std::filesystem::remove(output, ec);
        return Refuse("サウンドの抽出を中止しました。");
    }
    if (!produced) {
        std::fprintf(stderr, "qxrec extract: the sound could not be written to %s\n", output.c_str());
        return 1;
    }
    std::printf("サウンドの抽出が完了しました。\n");
    return 0;
}
