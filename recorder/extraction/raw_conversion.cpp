// The conversion side of the extraction engine: the headerless raw file the
// dump filter wrote (PCM in m_SourceFormat) becomes the output file, one
// second of source sound at a time, through the PCM converter and the WAV
// writing here or one of the encoders.  Progress counts raw bytes; pause and
// cancel are seen between blocks.  Each route sets m_bRunning at its start,
// so a cancel during capture still converts what was captured.
//
// A route reports success only when the whole output was written: a block
// the converter or the encoder refuses, or a write that fails, makes it
// fail, and the raw file then stays beside the output.  A cancel ends the
// loop early and still counts as success (the caller deletes the output).
#include "sound_extractor.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

constexpr DWORD kWavHeaderBytes = 44;

void Put16(BYTE* p, DWORD v)
{
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}

void Put32(BYTE* p, DWORD v)
{
    Put16(p, v & 0xFFFF);
    Put16(p + 2, v >> 16);
}

// The 44-byte header; block align and bytes per second are derived from the
// format's channels, rate and bits, not copied.
bool WriteWavHeader(CFile& file, const WAVEFORMATEX& format, DWORD dataBytes)
{
    const DWORD blockAlign = format.nChannels * (format.wBitsPerSample / 8u);
    BYTE h[kWavHeaderBytes];
    std::memcpy(h, "RIFF", 4);
    Put32(h + 4, dataBytes + 36);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    Put32(h + 16, 16);
    Put16(h + 20, WAVE_FORMAT_PCM);
    Put16(h + 22, format.nChannels);
    Put32(h + 24, format.nSamplesPerSec);
    Put32(h + 28, format.nSamplesPerSec * blockAlign);
    Put16(h + 32, blockAlign);
    Put16(h + 34, format.wBitsPerSample);
    std::memcpy(h + 36, "data", 4);
    Put32(h + 40, dataBytes);
    return file.Write(h, sizeof h) != FALSE;
}

// Writes the header again with the sizes of what the file now holds.
bool FinishWav(CFile& file, const WAVEFORMATEX& format)
{
    const LONGLONG length = file.GetLength();
    return length >= kWavHeaderBytes && file.SeekToBegin() == 0
        && WriteWavHeader(file, format, static_cast<DWORD>(length - kWavHeaderBytes));
}

// The opening every route shares: the raw file and its length, and (except
// for WMA, whose writer makes its own file) the output created or truncated.
bool OpenRoute(const std::string& rawPath, CFile* pRaw, DWORD* pLength, const std::string& outputPath, CFile* pOutput)
{
    if (!pRaw->Open(rawPath, CFile::modeRead | CFile::typeBinary))
        return false;
    const LONGLONG length = pRaw->GetLength();
    if (length < 0)
        return false;
    *pLength = static_cast<DWORD>(length);
    return !pOutput || pOutput->Open(outputPath, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
}

// One block through the converter into `converted` (sized by DestSize of a
// whole block): the bytes produced, or -1 when the converter refuses it.
int ConvertBlock(CAcmConverter& acm, const BYTE* pData, UINT count, std::vector<BYTE>& converted)
{
    const int size = acm.DestSize(count);
    if (size <= 0 || static_cast<std::size_t>(size) > converted.size())
        return -1;
    return acm.Convert(pData, converted.data(), count, static_cast<DWORD>(size));
}

} // namespace

int CSoundExtractor::ConvertRawToOutput(const std::string& rawPath, const std::string& outputPath)
{
    int result = 0;
    switch (m_OutputType) {
    case OFT_WAV: result = WriteWavFromRaw(rawPath, outputPath, m_SourceFormat, m_OutputFormat); break;
    case OFT_MP3: result = EncodeRawToMp3(rawPath, outputPath, m_SourceFormat, m_OutputFormat); break;
    case OFT_WMA: result = EncodeRawToWma(rawPath, outputPath, m_SourceFormat, m_OutputFormat); break;
    case OFT_OGG: result = EncodeRawToOgg(rawPath, outputPath, m_SourceFormat, m_OutputFormat); break;
    default: break;
    }
    if (result) {
        std::error_code ec;
        std::filesystem::remove(rawPath, ec);
    }
    return result;
}

bool CSoundExtractor::ConvertBlocks(CFile& raw, DWORD length, DWORD blockBytes,
                                    const std::function<bool(const BYTE*, UINT)>& process)
{
    m_bRunning = TRUE;
    m_bPaused = FALSE;
    std::vector<BYTE> block(std::max<DWORD>(blockBytes, 1));
    DWORD done = 0;
    bool ok = true;
    for (;;) {
        const UINT got = raw.Read(block.data(), static_cast<UINT>(block.size()));
        if (got)
            ok = process(block.data(), got);
        done += got;
        Notify(done, length);
        if (!got || !ok || !m_bRunning)
            break;
        while (m_bPaused && m_bRunning) {
            Notify(done, length);
            Breathe();
        }
    }
    Notify(length, length);
    return ok;
}

int CSoundExtractor::WriteWavFromRaw(const std::string& rawPath, const std::string& outputPath,
                                     const WAVEFORMATEX& source, const WAVEFORMATEX& output)
{
    if (source.nSamplesPerSec == output.nSamplesPerSec && source.nChannels == output.nChannels
        && source.wBitsPerSample == output.wBitsPerSample)
        return CopyRawToWav(rawPath, outputPath, output);
    return ConvertRawToWav(rawPath, outputPath, source, output);
}

int CSoundExtractor::CopyRawToWav(const std::string& rawPath, const std::string& outputPath, const WAVEFORMATEX& output)
{
    CFile raw, out;
    DWORD length = 0;
    if (!OpenRoute(rawPath, &raw, &length, outputPath, &out))
        return 0;
    bool ok = WriteWavHeader(out, output, length);
    const DWORD second = output.nSamplesPerSec * output.nChannels * (output.wBitsPerSample / 8u);
    ok = ok && ConvertBlocks(raw, length, second, [&](const BYTE* p, UINT n) { return out.Write(p, n) != FALSE; });
    // A cancel leaves less than the header announced.
    if (ok && out.GetLength() != static_cast<LONGLONG>(length) + kWavHeaderBytes)
        ok = FinishWav(out, output);
    return ok ? 1 : 0;
}

int CSoundExtractor::ConvertRawToWav(const std::string& rawPath, const std::string& outputPath,
                                     const WAVEFORMATEX& source, const WAVEFORMATEX& output)
{
    CFile raw, out;
    DWORD length = 0;
    if (!OpenRoute(rawPath, &raw, &length, outputPath, &out))
        return 0;
    bool ok = WriteWavHeader(out, output, length); // the sizes follow when the data is written
    m_Acm.Close();
    if (!ok || !m_Acm.Open(&source, &output))
        return 0;
    const int blockOut = m_Acm.DestSize(source.nAvgBytesPerSec);
    ok = blockOut > 0;
    std::vector<BYTE> converted(static_cast<std::size_t>(std::max(blockOut, 0)));
    ok = ok && ConvertBlocks(raw, length, source.nAvgBytesPerSec, [&](const BYTE* p, UINT n) {
        const int produced = ConvertBlock(m_Acm, p, n, converted);
        return produced >= 0 && out.Write(converted.data(), static_cast<UINT>(produced)) != FALSE;
    });
    ok = FinishWav(out, output) && ok;
    return ok ? 1 : 0;
}

int CSoundExtractor::EncodeRawToMp3(const std::string& rawPath, const std::string& outputPath,
                                    const WAVEFORMATEX& source, const WAVEFORMATEX& output)
{
    CFile raw, out;
    DWORD length = 0;
    if (!OpenRoute(rawPath, &raw, &length, outputPath, &out))
        return 0;
    m_Acm.Close();
    if (!m_Acm.Open(&source, &output))
        return 0;
    DWORD chunkBytes = 0, maxOutput = 0;
    if (!m_Mp3.Begin(&output, 128, &chunkBytes, &maxOutput))
        return 0;
    const int blockOut = m_Acm.DestSize(source.nAvgBytesPerSec);
    if (blockOut <= 0) {
        m_Mp3.Close();
        return 0;
    }
    std::vector<BYTE> converted(static_cast<std::size_t>(blockOut));
    // The library is told LAME's worst case for the samples it gets (1.25
    // bytes a sample and 7200), which for a block of D bytes stays below
    // D + 7200; 4 x its reported maximum alone would not cover a second.
    std::vector<BYTE> mp3(std::max<std::size_t>(4u * maxOutput, converted.size() + 7200));
    bool ok = ConvertBlocks(raw, length, source.nAvgBytesPerSec, [&](const BYTE* p, UINT n) {
        const int produced = ConvertBlock(m_Acm, p, n, converted);
        DWORD bytes = 0;
        if (produced < 0 || !m_Mp3.Encode(converted.data(), static_cast<DWORD>(produced), mp3.data(), &bytes))
            return false;
        return bytes == 0 || out.Write(mp3.data(), bytes) != FALSE;
    });
    DWORD last = 0;
    ok = m_Mp3.Flush(mp3.data(), &last) && ok;
    ok = (last == 0 || out.Write(mp3.data(), last)) && ok;
    m_Mp3.Close();
    return ok ? 1 : 0;
}

int CSoundExtractor::EncodeRawToOgg(const std::string& rawPath, const std::string& outputPath,
                                    const WAVEFORMATEX& source, const WAVEFORMATEX& output)
{
    CFile raw, out;
    DWORD length = 0;
    if (!OpenRoute(rawPath, &raw, &length, outputPath, &out))
        return 0;
    m_Acm.Close();
    if (!m_Acm.Open(&source, &output))
        return 0;
    if (!m_Ogg.Begin(&output, -1, 4.0f))
        return 0;
    const int blockOut = m_Acm.DestSize(source.nAvgBytesPerSec);
    if (blockOut <= 0 || !m_Ogg.WriteHeaders(&out)) {
        m_Ogg.Close();
        return 0;
    }
    std::vector<BYTE> converted(static_cast<std::size_t>(blockOut));
    // The pages of one block are far smaller than the block itself.
    std::vector<BYTE> pages(std::max<std::size_t>(output.nAvgBytesPerSec, converted.size()));
    bool ok = ConvertBlocks(raw, length, source.nAvgBytesPerSec, [&](const BYTE* p, UINT n) {
        const int produced = ConvertBlock(m_Acm, p, n, converted);
        if (produced < 0)
            return false;
        DWORD bytes = 0;
        // An empty block (the converter holding samples back) gives no pages.
        if (produced > 0 && !m_Ogg.Encode(converted.data(), static_cast<DWORD>(produced), pages.data(), &bytes))
            return false;
        return bytes == 0 || out.Write(pages.data(), bytes) != FALSE;
    });
    DWORD last = 0;
    ok = m_Ogg.Flush(pages.data(), &last) && ok;
    ok = (last == 0 || out.Write(pages.data(), last)) && ok;
    m_Ogg.Close();
    return ok ? 1 : 0;
}

int CSoundExtractor::EncodeRawToWma(const std::string& rawPath, const std::string& outputPath,
                                    const WAVEFORMATEX& source, const WAVEFORMATEX& output)
{
    CFile raw;
    DWORD length = 0;
    if (!OpenRoute(rawPath, &raw, &length, outputPath, nullptr))
        return 0;
    m_Acm.Close();
    if (!m_Acm.Open(&source, &output))
        return 0;
    int count = 0;
    DWORD* rates = m_Wma.ListBitrates(&output, &count);
    DWORD highest = 0;
    for (int i = 0; rates && i < count; ++i)
        highest = std::max(highest, rates[i]);
    delete[] rates;
    if (highest == 0)
        return 0;
    const int blockOut = m_Acm.DestSize(source.nAvgBytesPerSec);
    if (blockOut <= 0 || !m_Wma.Begin(outputPath, &output, highest)) {
        m_Wma.Close();
        return 0;
    }
    std::vector<BYTE> converted(static_cast<std::size_t>(blockOut));
    bool ok = ConvertBlocks(raw, length, source.nAvgBytesPerSec, [&](const BYTE* p, UINT n) {
        const int produced = ConvertBlock(m_Acm, p, n, converted);
        return produced == 0 || (produced > 0 && m_Wma.Write(converted.data(), static_cast<DWORD>(produced)));
    });
    ok = m_Wma.End() && ok;
    m_Wma.Close();
    return ok ? 1 : 0;
}
