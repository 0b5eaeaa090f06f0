// The recorder's application object: decides whether this start may run,
// claims the machine-wide running marker, sets the registry root, makes the
// document with its frame and its two forms, and releases the marker at exit.
// It also offers the MP3 library test, the about box, the tips dialog and the
// video recorder's launch.
#pragma once

#include "app/running_claim.h"
#include "toolkit/app.h"

#include <string>

class CMainFrame;

// The launch word of the command line: "INTERNAL", "MIC" or empty.
extern std::string g_strLaunchMode;

inline constexpr const char* LAUNCH_INTERNAL = "INTERNAL";
inline constexpr const char* LAUNCH_MIC = "MIC";

// Texts of the start-up checks.
inline constexpr const char* MSG_ALREADY_RUNNING = "プログラムが既に実行中です。";
inline constexpr const char* MSG_NOT_JAPANESE = "Executable Only Japanese Windows - Exit Program !!";
inline constexpr const char* MSG_NO_MP3_CODEC =
    "Ardo サウンドレコーダーのインストールフォルダに、MP3 コーデックがインストールされていないため、MP3 "
    "ファイルでの録音はできません。\nMP3 で録音する場合、MP3コーデック(lame_enc.dll)をダウンロードし、"
    "インストールフォルダにコピーしてください。\n詳細はヘルプまたはFAQをご参照ください。";
inline constexpr const char* MSG_NO_SOUND_CARD =
    "サウンドカードがパソコンから認識されていないため、起動することができません。\n"
    "詳細はご利用のPCメーカーにお問い合わせください。";
inline constexpr const char* MSG_TOO_MANY_SPEAKERS = "3個以上のスピーカーが設定されているため、\n本製品を起動することができません。";
inline constexpr const char* MSG_NO_SPEAKER = "スピーカーが設定されていないため、\n本製品を起動することができません。";
inline constexpr const char* MSG_CANNOT_RUN_CAM = "録画プログラムを実行できません。";

class CBrisaRecordApp : public CWinApp {
public:
    explicit CBrisaRecordApp(RegistryStore& store = RegistryStore::User());
    ~CBrisaRecordApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;
    // Keeps the frame title "Ardo サウンドレコーダー", never a document name.
    BOOL OnIdle(LONG count) override;
    BOOL OnCommand(UINT id) override;

    BOOL ClaimRunningInstance();
    void ReleaseRunningInstance();
    // TRUE when the MP3 encoder library loads (it is freed again at once).
    static BOOL IsMp3CodecInstalled();
    // The video recorder's path is never known here: empties m_strCamPath
    // and reports FALSE.
    BOOL LookupVideoRecorder();
    BOOL LaunchVideoRecorder(std::string path);
    void OnAppAbout();
    void OnTipOfTheDay();
    // Data/tips.dat beside the program.
    std::string TipsFilePath() const;

    CMainFrame* GetMainFrame() const;

    std::string m_strClassName; // four characters from a program named XXXX.exe, else empty
    std::string m_strCamPath;
    BOOL m_bClaimReleased = TRUE;

private:
    BOOL CheckSoundDevice();

    SharedMemBlock m_recorderBlock;
    SharedMemBlock m_camBlock;
};

// The window class a program file name gives: its first four characters when
// the name, in the original platform's form ("X" -> "X.exe"), is exactly a
// four-character name plus ".exe"; otherwise empty.
std::string ClassNameFromProgramFile(const std::string& fileName);

CBrisaRecordApp* RecorderApp();
