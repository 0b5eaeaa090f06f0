// CSoundRecorder: the recording engine.  It captures a device through the
// capture library in the device's own rate and channels at 16 bits, converts
// every chunk to the chosen output format and hands it to the writer of the
// chosen type: WAV (written here), MP3, WMA or OGG Vorbis.  One converter and
// one set of encoders live as long as the engine and serve every recording.
//
// Threads: every operation is for one controlling (user-interface) thread;
// chunks are converted, encoded and written on the capture library's thread.
// There is no lock: the chunk handler reads the recording and paused flags
// once per chunk, and Stop clears the recording flag before it closes
// capture, which returns only when no chunk handler runs.  Progress reaches
// the owner as a posted WM_REC_PROGRESS, so the capture thread never waits
// for the user interface.
#pragma once

#include "app/source_settings.h"
#include "capture/acm_converter.h"
#include "core/messages.h"
#include "core/waveformat.h"
#include "encoders/mp3_encoder.h"
#include "encoders/ogg_encoder.h"
#include "encoders/wma_writer.h"
#include "files/file.h"
#include "sndgrab.h"

#include <atomic>
#include <memory>
#include <string>

// Posted (wParam 0, lParam 0) to the notify target after every chunk
// handled; the receiver reads GetElapsedMs.
constexpr UINT WM_REC_PROGRESS = 0x0862;

class CSoundRecorder {
public:
    CSoundRecorder() = default;
    // Stops capture first (the chunk handler uses every member), then
    // releases what is still open without finishing it: no header rewrite,
    // no flush.  Call Stop to finish a file.
    ~CSoundRecorder();
    CSoundRecorder(const CSoundRecorder&) = delete;
    CSoundRecorder& operator=(const CSoundRecorder&) = delete;

    // While idle; effective at the next Start.
    void SetOutputType(OutputFileType type) { m_nOutputType = type; }
    OutputFileType GetOutputType() const { return m_nOutputType; }
    // Each non-zero argument replaces the stored field; the derived fields
    // follow (tag 1, block align, bytes per second).
    void SetFormat(WORD bitsPerSample, WORD channels, DWORD samplesPerSec);
    const WAVEFORMATEX& GetFormat() const { return m_Format; }
    void SetPath(const std::string& path) { m_strPath = path; }
    std::string GetPath() const { return m_strPath; }

    // Creates the file at the path (WMA: the writer does), starts the
    // output and captures device (-1: the default).  Progress goes to
    // pNotify (may be null, not owned; it must outlive the recording).
    // Non-zero on success; on failure the engine is idle with nothing open
    // (a file already created stays on disk).
    int Start(IMessageTarget* pNotify, int device);
    // Only while recording: sets the paused flag; returns it as it stands.
    // Chunks that arrive while paused are dropped, so the file has no gap.
    int Pause(bool pause);
    // Ends capture, finishes the output (WAV header with the real length,
    // encoder flush) and closes the file.  Safe when idle.
    void Stop();

    int IsRecording() const { return m_bRecording.load() ? 1 : 0; }
    int IsPaused() const { return m_bPaused.load() ? 1 : 0; }
    // Milliseconds of sound handled since Start, pauses excluded.  Any thread.
    DWORD GetElapsedMs() const { return m_dwElapsedMs.load(); }

    // The capture callback (PcmChunkCallback) with the engine as user
    // value.  Public so that a feeder of its own sound (the benchmark) can
    // drive the engine as the capture library does: one thread at a time,
    // chunks of at most one second in the capture format.
    static void OnChunk(const BYTE* pData, DWORD byteCount, DWORD durationMs, DWORD_PTR user);

private:
    int OpenOutput();
    void HandleChunk(const BYTE* pData, DWORD byteCount, DWORD durationMs);
    void WriteWav(const BYTE* pData, DWORD byteCount);
    void WriteEncoded(DWORD produced);
    void FinishOutput();
    // Closes capture, the output, the converter and the file without
    // finishing anything; the engine is idle afterwards.
    void Abandon();

    NWaveRec m_WaveRec;
    CAcmConverter m_Converter;
    CMp3Encoder m_Mp3;
    CWmaWriter m_Wma;
    COggEncoder m_Ogg;
    WAVEFORMATEX m_Format{};
    OutputFileType m_nOutputType = OFT_WAV;
    std::atomic<DWORD> m_bRecording{0};
    std::atomic<DWORD> m_bPaused{0};
    IMessageTarget* m_pNotify = nullptr;
    CFile m_File;
    std::string m_strPath;
    std::atomic<DWORD> m_dwElapsedMs{0};
    DWORD m_dwDataBytes = 0;
    bool m_bOutputOpen = false; // the encoder or writer of the type was begun
    std::unique_ptr<BYTE[]> m_pEncodeBuffer;
    DWORD m_dwEncodeBufferBytes = 0;
    std::unique_ptr<BYTE[]> m_pConvertBuffer;
    DWORD m_dwConvertBufferBytes = 0;
};
