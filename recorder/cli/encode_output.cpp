#include "encode_output.h"

#include "app/source_settings.h"
#include "encoders/mp3_encoder.h"
#include "encoders/ogg_encoder.h"
#include "encoders/wma_writer.h"
#include "files/file.h"
#include "sndgrab.h"

#include <vector>

namespace {

bool CreateFile(CFile& file, const std::string& path, std::string* pError)
{
    if (file.Open(path, CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary))
        return true;
    *pError = "cannot create " + path;
    return false;
}

class WavOutput final : public EncodeOutput {
public:
    bool Begin(const std::string& path, const WAVEFORMATEX& format, std::string* pError) override
    {
        m_format = format;
        return CreateFile(m_file, path, pError) && WriteHeader(0);
    }
    bool Put(const BYTE* pData, DWORD byteCount) override
    {
        if (!m_file.Write(pData, byteCount))
            return false;
        m_bytes += byteCount;
        return true;
    }
    bool Finish() override
    {
        // The header gets the real length once it is known.
        bool ok = m_file.SeekToBegin() == 0 && WriteHeader(m_bytes);
        m_file.Close();
        return ok;
    }

private:
    bool WriteHeader(DWORD dataBytes)
    {
        return NWaveRec::WriteWaveHeader(&m_file, m_format.wBitsPerSample, m_format.nChannels, m_format.nSamplesPerSec,
                   dataBytes) != 0;
    }

    CFile m_file;
    WAVEFORMATEX m_format{};
    DWORD m_bytes = 0;
};

class Mp3Output final : public EncodeOutput {
public:
    bool Begin(const std::string& path, const WAVEFORMATEX& format, std::string* pError) override
    {
        DWORD chunk = 0, maxOutput = 0;
        if (!CreateFile(m_file, path, pError))
            return false;
        if (!m_mp3.Begin(&format, 128, &chunk, &maxOutput)) {
            *pError = "the MP3 encoder (lame_enc.dll) is missing or refuses this format";
            return false;
        }
        m_buffer.resize(4 * static_cast<std::size_t>(maxOutput));
        return true;
    }
    bool Put(const BYTE* pData, DWORD byteCount) override
    {
        DWORD produced = 0;
        if (!m_mp3.Encode(pData, byteCount, m_buffer.data(), &produced))
            return false;
        return produced == 0 || m_file.Write(m_buffer.data(), produced);
    }
    bool Finish() override
    {
        DWORD produced = 0;
        bool ok = m_mp3.Flush(m_buffer.data(), &produced) && (produced == 0 || m_file.Write(m_buffer.data(), produced));
        m_mp3.Close();
        m_file.Close();
        return ok;
    }

private:
    CFile m_file;
    CMp3Encoder m_mp3;
    std::vector<BYTE> m_buffer;
};

class OggOutput final : public EncodeOutput {
public:
    bool Begin(const std::string& path, const WAVEFORMATEX& format, std::string* pError) override
    {
        if (!CreateFile(m_file, path, pError))
            return false;
        if (!m_ogg.Begin(&format, -1, 4.0f) || !m_ogg.WriteHeaders(&m_file)) {
            *pError = "the Vorbis encoder cannot start for this format";
            return false;
        }
        m_buffer.resize(format.nAvgBytesPerSec);
        return true;
    }
    bool Put(const BYTE* pData, DWORD byteCount) override
    {
        DWORD produced = 0;
        if (!m_ogg.Encode(pData, byteCount, m_buffer.data(), &produced))
            return false;
        return produced == 0 || m_file.Write(m_buffer.data(), produced);
    }
    bool Finish() override
    {
        DWORD produced = 0;
        bool ok = m_ogg.Flush(m_buffer.data(), &produced) && (produced == 0 || m_file.Write(m_buffer.data(), produced));
        m_ogg.Close();
        m_file.Close();
        return ok;
    }

private:
    CFile m_file;
    COggEncoder m_ogg;
    std::vector<BYTE> m_buffer;
};

class WmaOutput final : public EncodeOutput {
public:
    bool Begin(const std::string& path, const WAVEFORMATEX& format, std::string* pError) override
    {
        int count = 0;
        std::unique_ptr<DWORD[]> rates(m_wma.ListBitrates(&format, &count));
        DWORD highest = 0;
        for (int i = 0; i < count; ++i)
            highest = rates[i] > highest ? rates[i] : highest;
        if (highest == 0) {
            *pError = "no WMA bit rate for this format";
            return false;
        }
        if (!m_wma.Begin(path, &format, highest)) {
            *pError = "cannot write WMA to " + path;
            return false;
        }
        return true;
    }
    bool Put(const BYTE* pData, DWORD byteCount) override { return m_wma.Write(pData, byteCount); }
    bool Finish() override
    {
        bool ok = m_wma.End();
        m_wma.Close();
        return ok;
    }

private:
    CWmaWriter m_wma;
};

} // namespace

std::unique_ptr<EncodeOutput> MakeEncodeOutput(int outputType)
{
    switch (outputType) {
    case OFT_WAV: return std::make_unique<WavOutput>();
    case OFT_MP3: return std::make_unique<Mp3Output>();
    case OFT_WMA: return std::make_unique<WmaOutput>();
    case OFT_OGG: return std::make_unique<OggOutput>();
    default: return nullptr;
    }
}
