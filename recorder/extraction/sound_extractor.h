// CSoundExtractor: pulls the sound track out of a video file.  The system's
// graph builder renders the file for ordinary playback; the engine then
// classifies the graph's filters by the media kinds of their pins, cuts the
// video branch off and puts the dump filter (Pcmtap, CLSID_SoundDump) in the
// audio renderer's place.  Running the graph writes the decoded PCM into a
// headerless ".raw" file beside the output; the raw file is then converted
// into WAV, MP3, WMA or OGG (raw_conversion.cpp) and deleted.
//
// The engine only talks to the graph through the media-graph interfaces and
// creates the graph and the dump filter through CoCreateInstance, so a test
// can register scripted classes in their place.
//
// Order of calls: OpenSource (inspection), GetVideoInfo, GetAudioInfo; for a
// run OpenSource again, PrepareExtraction, Extract.  Everything runs on the
// calling thread; TogglePause and Cancel are meant to be called from inside
// the progress callback while Extract runs (they only flip two flags, read
// at the loops' next check).  Not thread-safe.
#pragma once

#include "app/source_settings.h"
#include "capture/acm_converter.h"
#include "dshow/dshow.h"
#include "encoders/mp3_encoder.h"
#include "encoders/ogg_encoder.h"
#include "encoders/wma_writer.h"
#include "files/file.h"

#include <functional>
#include <string>
#include <vector>

// Media kinds of a pin: the major types of the media types it enumerates.
enum : int {
    MF_AUDIO = 1, // MEDIATYPE_Audio or MEDIATYPE_AnalogAudio
    MF_VIDEO = 2, // MEDIATYPE_Video
};

// One filter of the rendered graph, in the graph's enumeration order.
struct GraphFilterRecord {
    int index = 0;
    int outputFlags = 0; // OR of the media kinds of all output pins
    int inputFlags = 0;
    int hasOutput = 0;
    int hasInput = 0;
    std::string name;    // the filter's name in the graph
};

// Capture: milliseconds of media time; conversion: bytes of the raw file.
using ExtractProgressFn = void (*)(DWORD done, DWORD total, void* user);

class CSoundExtractor {
public:
    CSoundExtractor() = default;
    ~CSoundExtractor();
    CSoundExtractor(const CSoundExtractor&) = delete;
    CSoundExtractor& operator=(const CSoundExtractor&) = delete;

    // TRUE when the dump filter can be created (it is released at once).
    BOOL IsDumpFilterAvailable();
    // Renders the file into a new playback graph (the previous one is
    // released) and classifies its filters.  FALSE for an empty path, a file
    // that cannot be rendered, or a graph that cannot be made.
    BOOL OpenSource(const std::string& path);
    // The video decoder's name (empty when none was ever found); TRUE when
    // the graph has one.
    BOOL GetVideoInfo(std::string* pName);
    // The sound track as the file stores it (the splitter's audio pin): codec
    // name ("PCM Audio" when no decoder is needed), channels, rate and bits
    // (0 when the stored type has no wave format).  FALSE without a splitter
    // that has both audio and video outputs, or when its type is unreadable.
    BOOL GetAudioInfo(std::string* pCodec, int* pChannels, int* pRate, int* pBits);
    // Adds the dump filter writing RawPathFor(outputPath, type), cuts the
    // video and connects the dump in the audio renderer's place.  FALSE when
    // the dump filter cannot be created, does not take the raw path, cannot
    // be added or connected; the engine then stays opened.
    BOOL PrepareExtraction(const std::string& outputPath, int outputType);
    // Runs the prepared graph to its end (or a cancel), calling progress
    // after every position poll, then converts the raw file into the output
    // in *pFormat and resets the engine.  The window is not used.  TRUE only
    // when the output file was produced (also after a cancel, over what was
    // captured); FALSE when nothing was prepared, a run is going on, the
    // graph did not run or the conversion failed.
    BOOL Extract(HWND hNotify, ExtractProgressFn pfnProgress, void* user, const WAVEFORMATEX* pFormat);
    // While a run goes on: paused becomes !callerPaused.
    void TogglePause(BOOL callerPaused);
    // While a run goes on: stops the capture (what was captured is still
    // converted) or ends the conversion after the current block.
    void Cancel();
    // Back to empty: releases the graph and the dump filter, forgets the run.
    void Reset();

    // The raw file of an output: the output's own name with ".raw" in place
    // of the type's extension (any case), or ".raw" appended when the name
    // does not end with it.  Folder and name are kept as they are.
    static std::string RawPathFor(const std::string& outputPath, int outputType);

    // The raw conversion routes; non-zero when the output was written whole.
    // ConvertRawToOutput dispatches by the prepared type and deletes the raw
    // file on success.
    int ConvertRawToOutput(const std::string& rawPath, const std::string& outputPath);
    int WriteWavFromRaw(const std::string& rawPath, const std::string& outputPath, const WAVEFORMATEX& source, const WAVEFORMATEX& output);
    int CopyRawToWav(const std::string& rawPath, const std::string& outputPath, const WAVEFORMATEX& output);
    int ConvertRawToWav(const std::string& rawPath, const std::string& outputPath, const WAVEFORMATEX& source, const WAVEFORMATEX& output);
    int EncodeRawToMp3(const std::string& rawPath, const std::string& outputPath, const WAVEFORMATEX& source, const WAVEFORMATEX& output);
    int EncodeRawToWma(const std::string& rawPath, const std::string& outputPath, const WAVEFORMATEX& source, const WAVEFORMATEX& output);
    int EncodeRawToOgg(const std::string& rawPath, const std::string& outputPath, const WAVEFORMATEX& source, const WAVEFORMATEX& output);

    const std::vector<GraphFilterRecord>& GetFilterRecords() const { return m_Filters; }
    // The PCM format the dump filter receives; zero until prepared.
    const WAVEFORMATEX& GetSourceFormat() const { return m_SourceFormat; }
    BOOL IsRunning() const { return m_bRunning; }
    BOOL IsPaused() const { return m_bPaused; }

private:
    HRESULT BuildFilterList();
    // The first record of a role whose name still resolves in the graph; the
    // filter comes back held in *ppFilter.
    const GraphFilterRecord* FindRole(int role, IBaseFilter** ppFilter);
    IBaseFilter* FindGraphFilter(const std::string& name); // held, or null
    HRESULT AddDumpFilter(const std::string& outputPath);
    HRESULT DisconnectVideo();
    HRESULT ConnectDump();
    HRESULT ReplaceAudioRenderer(IBaseFilter* pRenderer);
    void ReleaseGraph();

    void Notify(DWORD done, DWORD total);
    // The loops poll; a short rest keeps them from taking a whole processor
    // from the decoding threads.
    static void Breathe();
    // The conversion loop: the raw file a block at a time into process, with
    // progress, pause and cancel.  false when process refused a block.
    bool ConvertBlocks(CFile& raw, DWORD length, DWORD blockBytes, const std::function<bool(const BYTE*, UINT)>& process);

    IGraphBuilder* m_pGraph = nullptr;     // held
    IMediaControl* m_pControl = nullptr;   // held
    IBaseFilter* m_pDumpFilter = nullptr;  // held
    WAVEFORMATEX m_SourceFormat{};
    std::vector<GraphFilterRecord> m_Filters;
    ExtractProgressFn m_pfnProgress = nullptr;
    void* m_ProgressUser = nullptr;
    std::string m_strOutputPath;
    BOOL m_bRunning = FALSE;
    BOOL m_bPaused = FALSE;
    std::string m_strAudioCodec;
    std::string m_strVideoCodec;
    int m_OutputType = 0;
    WAVEFORMATEX m_OutputFormat{};
    CMp3Encoder m_Mp3;
    CWmaWriter m_Wma;
    COggEncoder m_Ogg;
    CAcmConverter m_Acm;
};
