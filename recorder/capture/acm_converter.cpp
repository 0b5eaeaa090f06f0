#include "acm_converter.h"

CAcmConverter::~CAcmConverter()
{
    Close();
}

void CAcmConverter::FillPcmFormat(WAVEFORMATEX* pFormat, DWORD samplesPerSec, WORD bitsPerSample, WORD channels)
{
    *pFormat = MakePcmFormat(samplesPerSec, channels, bitsPerSample);
}

int CAcmConverter::Open(const WAVEFORMATEX* pSource, const WAVEFORMATEX* pDest)
{
    if (m_hStream || !pSource || !pDest)
        return 0;
    m_pSrcFormat = std::make_unique<WAVEFORMATEX>(*pSource);
    m_pDstFormat = std::make_unique<WAVEFORMATEX>(*pDest);
    if (acmStreamOpen(&m_hStream, nullptr, m_pSrcFormat.get(), m_pDstFormat.get(), nullptr, 0, 0,
                      ACM_STREAMOPENF_NONREALTIME)
        != MMSYSERR_NOERROR) {
        m_hStream = nullptr;
        return 0;
    }
    return 1;
}

int CAcmConverter::DestSize(DWORD sourceBytes)
{
    DWORD size = 0;
    if (!m_hStream || acmStreamSize(m_hStream, sourceBytes, &size, ACM_STREAMSIZEF_SOURCE) != MMSYSERR_NOERROR)
        return -1;
    return static_cast<int>(size);
}

int CAcmConverter::Convert(const BYTE* pSource, BYTE* pDest, DWORD sourceBytes, DWORD destBytes)
{
    if (!m_hStream)
        return -1;
    ACMSTREAMHEADER header{};
    header.cbStruct = sizeof header;
    header.pbSrc = const_cast<BYTE*>(pSource); // the stream only reads it
    header.cbSrcLength = sourceBytes;
    header.pbDst = pDest;
    header.cbDstLength = destBytes;
    if (acmStreamPrepareHeader(m_hStream, &header, 0) != MMSYSERR_NOERROR)
        return -1;
    MMRESULT converted = acmStreamConvert(m_hStream, &header, 0);
    MMRESULT unprepared = acmStreamUnprepareHeader(m_hStream, &header, 0);
    if (converted != MMSYSERR_NOERROR || unprepared != MMSYSERR_NOERROR)
        return -1;
    return static_cast<int>(header.cbDstLengthUsed);
}

void CAcmConverter::Close()
{
    if (!m_hStream)
        return;
    acmStreamClose(m_hStream, 0);
    m_hStream = nullptr;
    m_pSrcFormat.reset();
    m_pDstFormat.reset();
}
