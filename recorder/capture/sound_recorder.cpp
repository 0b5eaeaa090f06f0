#include "capture/sound_recorder.h"

#include <random>

namespace {

constexpr int kMp3BitrateKbps = 128;
constexpr float kOggQuality = 4.0f; // above the library's range: its best
constexpr DWORD kWavHeaderBytes = 44;
// The RIFF size (36 + data) is a 32-bit field; past it the header would wrap
// to a small length and the recording would play as a fragment.
constexpr DWORD kWavMaxDataBytes = 0xFFFFFFFFu - 36;

} // namespace

CSoundRecorder::~CSoundRecorder()
{
    Abandon();
}

void CSoundRecorder::SetFormat(WORD bitsPerSample, WORD channels, DWORD samplesPerSec)
{
    CAcmConverter::FillPcmFormat(&m_Format, samplesPerSec ? samplesPerSec : m_Format.nSamplesPerSec,
                                 bitsPerSample ? bitsPerSample : m_Format.wBitsPerSample,
                                 channels ? channels : m_Format.nChannels);
}

int CSoundRecorder::Start(IMessageTarget* pNotify, int device)
{
    // A second Start would pull the file and buffers from under the running
    // chunk handler.
    if (m_strPath.empty() || m_bRecording.load())
        return 0;
    if (m_nOutputType != OFT_WMA && !m_File.Open(m_strPath, CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary))
        return 0;
    if (!OpenOutput()) {
        Abandon();
        return 0;
    }
    m_pNotify = pNotify;
    if (m_nOutputType == OFT_WAV &&
        !NWaveRec::WriteWaveHeader(&m_File, m_Format.wBitsPerSample, m_Format.nChannels, m_Format.nSamplesPerSec, 0)) {
        Abandon();
        return 0;
    }
    m_bRecording = 1;
    m_bPaused = 0;
    m_dwElapsedMs = 0;
    m_dwDataBytes = 0;

    const WAVEFORMATEX deviceFormat = NWaveRec::GetDefaultFormat(device);
    WAVEFORMATEX source;
    CAcmConverter::FillPcmFormat(&source, deviceFormat.nSamplesPerSec, 16, deviceFormat.nChannels);
    m_Converter.Close();
    const int bufferBytes = deviceFormat.nChannels && m_Converter.Open(&source, &m_Format)
        ? m_Converter.DestSize(source.nAvgBytesPerSec)
        : 0;
    if (bufferBytes <= 0) {
        Abandon();
        return 0;
    }
    m_pConvertBuffer.reset(new BYTE[static_cast<std::size_t>(bufferBytes)]);
    m_dwConvertBufferBytes = static_cast<DWORD>(bufferBytes);

    if (!m_WaveRec.Open(static_cast<int>(source.nSamplesPerSec), 16, source.nChannels, OnChunk,
                        reinterpret_cast<DWORD_PTR>(this), device)) {
        Abandon();
        return 0;
    }
    return 1;
}

int CSoundRecorder::OpenOutput()
{
    switch (m_nOutputType) {
    case OFT_WAV: break;
    case OFT_MP3: {
        DWORD chunkBytes = 0, maxOutputBytes = 0;
        if (!m_Mp3.Begin(&m_Format, kMp3BitrateKbps, &chunkBytes, &maxOutputBytes))
            return 0;
        m_dwEncodeBufferBytes = 4 * maxOutputBytes;
        break;
    }
    case OFT_WMA: {
        int count = 0;
        std::unique_ptr<DWORD[]> bitrates(m_Wma.ListBitrates(&m_Format, &count));
        DWORD highest = 0;
        for (int i = 0; i < count; ++i)
            highest = bitrates[i] > highest ? bitrates[i] : highest;
        if (highest == 0 || !m_Wma.Begin(m_strPath, &m_Format, highest))
            return 0;
        break;
    }
    case OFT_OGG: {
        // A random serial keeps two recordings from looking like one stream
        // when chained or concatenated.
        const int serial = static_cast<int>(std::random_device{}() & 0x7FFFFFFF);
        if (!m_Ogg.Begin(&m_Format, serial, kOggQuality))
            return 0;
        m_dwEncodeBufferBytes = m_Format.nAvgBytesPerSec;
        if (!m_Ogg.WriteHeaders(&m_File))
            return 0;
        break;
    }
    default: return 0;
    }
    m_bOutputOpen = true;
    if (m_dwEncodeBufferBytes)
        m_pEncodeBuffer.reset(new BYTE[m_dwEncodeBufferBytes]);
    return 1;
}

int CSoundRecorder::Pause(bool pause)
{
    if (m_bRecording.load())
        m_bPaused = pause ? 1 : 0;
    return IsPaused();
}

void CSoundRecorder::OnChunk(const BYTE* pData, DWORD byteCount, DWORD durationMs, DWORD_PTR user)
{
    if (user)
        reinterpret_cast<CSoundRecorder*>(user)->HandleChunk(pData, byteCount, durationMs);
}

void CSoundRecorder::HandleChunk(const BYTE* pData, DWORD byteCount, DWORD durationMs)
{
    if (!m_bRecording.load() || m_bPaused.load())
        return;
    // A chunk longer than a second would not fit the conversion buffer.
    const int size = m_Converter.DestSize(byteCount);
    if (size <= 0 || static_cast<DWORD>(size) > m_dwConvertBufferBytes)
        return;
    const int converted = m_Converter.Convert(pData, m_pConvertBuffer.get(), byteCount, static_cast<DWORD>(size));
    if (converted < 0)
        return;
    const BYTE* pcm = m_pConvertBuffer.get();
    const DWORD pcmBytes = static_cast<DWORD>(converted);
    DWORD produced = 0;
    switch (m_nOutputType) {
    case OFT_WAV: WriteWav(pcm, pcmBytes); break;
    case OFT_MP3:
        if (m_Mp3.Encode(pcm, pcmBytes, m_pEncodeBuffer.get(), &produced))
            WriteEncoded(produced);
        break;
    case OFT_WMA: m_Wma.Write(pcm, pcmBytes); break;
    case OFT_OGG:
        if (m_Ogg.Encode(pcm, pcmBytes, m_pEncodeBuffer.get(), &produced))
            WriteEncoded(produced);
        break;
    }
    m_dwElapsedMs += durationMs;
    if (m_pNotify)
        m_pNotify->PostMessage(WM_REC_PROGRESS, 0, 0);
}

void CSoundRecorder::WriteWav(const BYTE* pData, DWORD byteCount)
{
    if (byteCount > kWavMaxDataBytes - m_dwDataBytes)
        return;
    if (m_File.Write(pData, byteCount)) {
        m_dwDataBytes += byteCount;
        return;
    }
    // A full disk may have taken part of the chunk: go back to the end of
    // the counted data, so that anything written later follows it whole.
    m_File.Seek(kWavHeaderBytes + m_dwDataBytes, CFile::begin);
}

void CSoundRecorder::WriteEncoded(DWORD produced)
{
    if (produced == 0)
        return;
    // As for WAV: a page or frame cut by a full disk is not left in front of
    // what follows.
    const LONGLONG position = m_File.GetPosition();
    if (m_File.Write(m_pEncodeBuffer.get(), produced))
        m_dwDataBytes += produced;
    else if (position >= 0)
        m_File.Seek(position, CFile::begin);
}

void CSoundRecorder::Stop()
{
    m_bRecording = 0;
    m_bPaused = 0;
    m_WaveRec.Close();
    if (m_nOutputType == OFT_WAV && m_File.IsOpen()) {
        m_File.SeekToBegin();
        NWaveRec::WriteWaveHeader(&m_File, m_Format.wBitsPerSample, m_Format.nChannels, m_Format.nSamplesPerSec,
                                  m_dwDataBytes);
        m_File.SeekToEnd();
    }
    FinishOutput();
    m_pEncodeBuffer.reset();
    m_dwEncodeBufferBytes = 0;
    m_File.Close();
}

void CSoundRecorder::FinishOutput()
{
    if (!m_bOutputOpen)
        return;
    m_bOutputOpen = false;
    DWORD produced = 0;
    switch (m_nOutputType) {
    case OFT_WAV: break;
    case OFT_MP3:
        if (m_Mp3.Flush(m_pEncodeBuffer.get(), &produced) && produced && m_File.IsOpen())
            m_File.Write(m_pEncodeBuffer.get(), produced);
        m_Mp3.Close();
        break;
    case OFT_WMA:
        m_Wma.End();
        m_Wma.Close();
        break;
    case OFT_OGG:
        if (m_Ogg.Flush(m_pEncodeBuffer.get(), &produced) && produced && m_File.IsOpen())
            m_File.Write(m_pEncodeBuffer.get(), produced);
        m_Ogg.Close();
        break;
    }
}

void CSoundRecorder::Abandon()
{
    m_bRecording = 0;
    m_bPaused = 0;
    m_WaveRec.Close();
    m_Mp3.Close();
    m_Wma.Close();
    m_Ogg.Close();
    m_bOutputOpen = false;
    m_pEncodeBuffer.reset();
    m_dwEncodeBufferBytes = 0;
    m_File.Close();
}
