#include "mp3_encoder.h"

#include <cstring>

namespace {

constexpr const char* kLibraryName = "lame_enc.dll";

BE_CONFIG MakeConfig(const WAVEFORMATEX& format, int bitrateKbps)
{
    BE_CONFIG config;
    std::memset(&config, 0, sizeof config);
    config.dwConfig = BE_CONFIG_LAME;
    auto& c = config.LHV1;
    c.dwStructVersion = BE_LAME_STRUCT_VERSION;
    c.dwStructSize = sizeof config;
    c.dwSampleRate = format.nSamplesPerSec;
    c.dwReSampleRate = 0;
    c.nMode = format.nChannels == 1 ? BE_MP3_MODE_MONO : BE_MP3_MODE_JSTEREO;
    c.dwBitrate = static_cast<DWORD>(bitrateKbps);
    c.dwMaxBitrate = static_cast<DWORD>(bitrateKbps);
    c.nPreset = -1;
    c.dwMpegVersion = BE_MPEG1;
    c.bPrivate = TRUE;
    c.bOriginal = TRUE;
    return config;
}

} // namespace

CMp3Encoder::~CMp3Encoder()
{
    Close();
}

int CMp3Encoder::Begin(const WAVEFORMATEX* pFormat, int bitrateKbps, DWORD* pChunkBytes, DWORD* pMaxOutputBytes)
{
    if (!pFormat || !pChunkBytes || !pMaxOutputBytes)
        return 0;
    // A stream left from an earlier file would otherwise leak with its library.
    Close();
    m_hModule = LoadLibrary(kLibraryName);
    if (!m_hModule)
        return 0;
    auto init = GetProc<BEINITSTREAM>(m_hModule, "beInitStream");
    if (!init)
        return 0;
    BE_CONFIG config = MakeConfig(*pFormat, bitrateKbps);
    DWORD samples = 0, bufferSize = 0;
    HBE_STREAM stream = 0;
    if (init(&config, &samples, &bufferSize, &stream) != BE_ERR_SUCCESSFUL)
        return 0;
    m_hStream = stream;
    m_pfnEncodeChunk = GetProc<BEENCODECHUNK>(m_hModule, "beEncodeChunk");
    if (!m_pfnEncodeChunk)
        return 0;
    m_Format = *pFormat;
    *pChunkBytes = samples * 2;
    *pMaxOutputBytes = bufferSize;
    return 1;
}

int CMp3Encoder::Encode(const BYTE* pData, DWORD byteCount, BYTE* pOutput, DWORD* pOutputBytes)
{
    if (!m_hStream || !m_pfnEncodeChunk || !pOutputBytes)
        return 0;
    // The library takes the samples as they lie; they are not written to.
    auto* samples = reinterpret_cast<short*>(const_cast<BYTE*>(pData));
    DWORD produced = 0;
    if (m_pfnEncodeChunk(m_hStream, byteCount / 2, samples, pOutput, &produced) != BE_ERR_SUCCESSFUL)
        return 0;
    *pOutputBytes = produced;
    return 1;
}

int CMp3Encoder::Flush(BYTE* pOutput, DWORD* pOutputBytes)
{
    if (!m_hModule || !m_hStream || !pOutputBytes)
        return 0;
    auto deinit = GetProc<BEDEINITSTREAM>(m_hModule, "beDeinitStream");
    DWORD produced = 0;
    if (!deinit || deinit(m_hStream, pOutput, &produced) != BE_ERR_SUCCESSFUL)
        return 0;
    *pOutputBytes = produced;
    return 1;
}

int CMp3Encoder::Close()
{
    int closed = 0;
    if (m_hModule) {
        auto close = GetProc<BECLOSESTREAM>(m_hModule, "beCloseStream");
        if (m_hStream && close && close(m_hStream) == BE_ERR_SUCCESSFUL)
            closed = 1;
        FreeLibrary(m_hModule);
        m_hModule = nullptr;
    }
    // The stream belonged to the library just unloaded: whatever happened,
    // its handle and entry point mean nothing any more.
    m_hStream = 0;
    m_pfnEncodeChunk = nullptr;
    return closed;
}
