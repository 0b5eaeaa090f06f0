// The filters the graph manager builds playback graphs from, all backed by
// FFmpeg:
//   the splitter     - opens a file, one output pin per audio or video stream
//                      offering the stream's stored format; one streaming
//                      thread reads packets and pushes them downstream;
//   the decoders     - audio to 16-bit PCM, video to raw frames, on the
//                      splitter's thread;
//   the renderers    - "Audio Renderer" (PCM only) and "Video Renderer"
//                      (decoded frames only) consume samples and follow
//                      positions.
// Compressed types carry their codec parameters as the type's object
// reference (IStreamParams); decoded types carry none.
#pragma once

#include "dshow/dshow.h"

#include <string>

struct AVCodecParameters;

// {5A0E4B1C-8E57-4C3B-9A21-6D0F3B7C2E11}
extern const IID IID_IStreamParams;
struct IStreamParams : IUnknown {
    virtual const AVCodecParameters* Parameters() = 0;
};

// The filters hand out their IBaseFilter held, and their name in the graph.
HRESULT CreateSplitter(const std::string& path, IBaseFilter** ppFilter, std::u16string* name);
// A decoder for a compressed type; VFW_E_TYPE_NOT_ACCEPTED when there is none.
HRESULT CreateDecoder(const AM_MEDIA_TYPE& input, IBaseFilter** ppFilter, std::u16string* name);
HRESULT CreateRenderer(bool audio, IBaseFilter** ppFilter, std::u16string* name);
