// Helpers for tests that play real files through the media graph: videos
// made by the ffmpeg program, reference decodes, and the graph walks the
// extraction engine makes (classification of filters by their pins' media
// kinds, disconnecting, finding by name).
#pragma once

#include "dshow/dshow.h"

#include <ostream>
#include <string>
#include <vector>

namespace mediakit {

// Runs a program with arguments (no shell); its exit code, or -1.
int Run(const std::vector<std::string>& args, const std::string& stdoutPath = "");

struct VideoKind {
    const char* name;      // for test names
    const char* extension; // ".avi"...
    std::vector<std::string> codecArgs;
    bool pcm;              // the file stores PCM: no decoder expected
    bool exactTiming;      // ffmpeg's decode has no start trimming we cannot see
};
const std::vector<VideoKind>& VideoKinds();
inline void PrintTo(const VideoKind& kind, std::ostream* os) { *os << kind.name; }

// Makes a video of the given kind and seconds at path; false on failure.
bool MakeVideo(const VideoKind& kind, const std::string& path, int seconds);
// What `ffmpeg -i FILE -vn -f s16le` decodes from the file's first audio stream.
std::string DecodeS16(const std::string& path);

constexpr int MF_AUDIO = 1;
constexpr int MF_VIDEO = 2;

struct FilterRecord {
    std::string name;
    int outputFlags = 0, inputFlags = 0;
    bool hasOutput = false, hasInput = false;
};
std::vector<FilterRecord> Classify(IFilterGraph* graph);
int PinFlags(IPin* pin);

// The first record of each role, or null.
const FilterRecord* FindSplitter(const std::vector<FilterRecord>& r);
const FilterRecord* FindAudioDecoder(const std::vector<FilterRecord>& r);
const FilterRecord* FindVideoDecoder(const std::vector<FilterRecord>& r);
const FilterRecord* FindAudioRenderer(const std::vector<FilterRecord>& r);
const FilterRecord* FindVideoRenderer(const std::vector<FilterRecord>& r);

IBaseFilter* FindByName(IFilterGraph* graph, const std::string& name); // held, or null
std::vector<IPin*> Pins(IBaseFilter* filter, PIN_DIRECTION dir);        // each held
void ReleaseAll(std::vector<IPin*>& pins);
// Disconnects both ends of every pin of that direction whose audio flag is as given.
void DisconnectPins(IBaseFilter* filter, PIN_DIRECTION dir, bool audio);

// The WAVEFORMATEX of the first type a pin offers (zeroed when it has none).
WAVEFORMATEX FirstWaveFormat(IPin* pin);

} // namespace mediakit
