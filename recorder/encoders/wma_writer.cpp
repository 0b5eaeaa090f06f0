#include "wma_writer.h"

#include "core/text.h"
#include "prf_man.h"
#include "wma_codec_list.h"

#include <vector>

namespace {

template <class I> void ReleaseRef(I*& p)
{
    if (p) {
        p->Release();
        p = nullptr;
    }
}

} // namespace

CWmaWriter::~CWmaWriter()
{
    Close();
    m_qwTimeMs = 0;
    m_Format = {};
}

DWORD* CWmaWriter::ListBitrates(const WAVEFORMATEX* pFormat, int* pCount)
{
    if (pCount)
        *pCount = 0;
    if (!pFormat || !pCount)
        return nullptr;
    CWmaCodecList list;
    if (!list.EnumerateAudio(TRUE, TRUE))
        return nullptr;
    int codec = -1;
    for (int c = 0; c < list.GetCodecCount() && codec < 0; ++c) {
        const WmaFormatEntry* first = list.FindFormat(c, 0);
        if (first && first->Codec == WMA_FORMAT_TAG)
            codec = c;
    }
    if (codec < 0)
        return new DWORD[1]{}; // an empty list
    // One element more than needed, so that an empty list is still an array.
    auto* rates = new DWORD[static_cast<std::size_t>(list.CountMatching(pFormat, WMA_FORMAT_TAG)) + 1];
    int n = 0;
    for (int i = 0; i < list.GetFormatCount(codec); ++i) {
        const WmaFormatEntry* e = list.FindFormat(codec, i);
        if (e && e->Channel == pFormat->nChannels && e->Srate == static_cast<int>(pFormat->nSamplesPerSec))
            rates[n++] = static_cast<DWORD>(e->Brate);
    }
    *pCount = n;
    return rates;
}

int CWmaWriter::Begin(const std::string& path, const WAVEFORMATEX* pFormat, DWORD bitrate)
{
    if (!pFormat)
        return 0;
    // A writer left from an earlier file is let go first.
    Close();
    NPrfMan prf;
    if (FAILED(prf.CreateManager()))
        return 0;
    prf.SetAudio(bitrate, WMA_FORMAT_TAG, pFormat->nSamplesPerSec, pFormat->nChannels);
    if (FAILED(prf.CreateProfile(&m_pProfile)))
        return 0;

    if (FAILED(WMCreateWriter(nullptr, &m_pWriter)) || FAILED(m_pWriter->SetProfile(m_pProfile)))
        return 0;
    DWORD inputs = 0;
    if (FAILED(m_pWriter->GetInputCount(&inputs)))
        return 0;
    bool haveAudio = false;
    for (DWORD i = 0; i < inputs; ++i) {
        IWMInputMediaProps* props = nullptr;
        GUID type{};
        if (FAILED(m_pWriter->GetInputProps(i, &props)))
            return 0;
        HRESULT hr = props->GetType(&type);
        if (FAILED(hr) || !(type == WMMEDIATYPE_Audio)) {
            props->Release();
            return 0; // unrecognised media type
        }
        ReleaseRef(m_pInputProps);
        m_pInputProps = props;
        m_dwAudioInput = i;
        haveAudio = true;
    }
    if (!haveAudio || FAILED(m_pWriter->SetOutputFilename(Utf8ToUtf16(path).c_str())))
        return 0;

    WAVEFORMATEX format = *pFormat;
    if (format.wFormatTag == WAVE_FORMAT_PCM)
        format.cbSize = 0;
    WM_MEDIA_TYPE type{};
    type.majortype = WMMEDIATYPE_Audio;
    type.subtype = WMMEDIASUBTYPE_PCM;
    type.bFixedSizeSamples = TRUE;
    type.bTemporalCompression = FALSE;
    type.lSampleSize = format.nBlockAlign;
    type.formattype = WMFORMAT_WaveFormatEx;
    type.pUnk = nullptr;
    type.cbFormat = static_cast<ULONG>(sizeof(WAVEFORMATEX) + format.cbSize);
    type.pbFormat = reinterpret_cast<BYTE*>(&format);
    if (format.cbSize != 0 || FAILED(m_pInputProps->SetMediaType(&type))
        || FAILED(m_pWriter->SetInputProps(m_dwAudioInput, m_pInputProps)))
        return 0;

    m_Format = format;
    m_qwTimeMs = 0;
    return SUCCEEDED(m_pWriter->BeginWriting()) ? 1 : 0;
}

int CWmaWriter::Write(const BYTE* pData, DWORD byteCount)
{
    if (!m_pWriter || !pData || m_Format.nAvgBytesPerSec == 0)
        return 0;
    INSSBuffer* sample = nullptr;
    BYTE* buffer = nullptr;
    DWORD length = 0;
    if (FAILED(m_pWriter->AllocateSample(byteCount, &sample)))
        return 0;
    if (FAILED(sample->GetBufferAndLength(&buffer, &length)) || length < byteCount) {
        sample->Release();
        return 0;
    }
    std::copy(pData, pData + byteCount, buffer);
    if (FAILED(sample->SetLength(byteCount))) {
        sample->Release();
        return 0;
    }
    HRESULT hr = m_pWriter->WriteSample(m_dwAudioInput, m_qwTimeMs * 10000, WM_SF_CLEANPOINT, sample);
    // Rounded to the nearest millisecond, so one-second blocks add exactly 1000.
    m_qwTimeMs += (static_cast<QWORD>(byteCount) * 1000 + m_Format.nAvgBytesPerSec / 2) / m_Format.nAvgBytesPerSec;
    sample->Release();
    return SUCCEEDED(hr) ? 1 : 0;
}

int CWmaWriter::End()
{
    return m_pWriter && SUCCEEDED(m_pWriter->EndWriting()) ? 1 : 0;
}

void CWmaWriter::Close()
{
    ReleaseRef(m_pInputProps);
    ReleaseRef(m_pProfile);
    ReleaseRef(m_pWriter);
}
