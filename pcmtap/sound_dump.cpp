#include "sound_dump.h"

#include "pcmtap_uids.h"

#include "core/text.h"

#include <cstring>
#include <new>

namespace {
// Longest file name SetFileName takes, in characters without the terminator.
constexpr std::size_t kMaxDumpPath = 260;
}

CUnknown* NSoundDump::CreateInstance(IUnknown* pUnk, HRESULT* phr)
{
    auto* filter = new (std::nothrow) NSoundDump(pUnk, phr);
    if (!filter && phr)
        *phr = E_OUTOFMEMORY;
    return filter;
}

NSoundDump::NSoundDump(IUnknown* pUnk, HRESULT* phr)
    : CBaseFilter("sound dump filter", pUnk, &m_FilterLock, CLSID_SoundDump)
{
    CAutoLock lock(&m_FilterLock);
    if (phr && FAILED(*phr))
        return;
    HRESULT hr = S_OK;
    m_pPin = new (std::nothrow) NSoundDumpInputPin(this, &m_FilterLock, &hr);
    if (!m_pPin) {
        hr = E_OUTOFMEMORY;
    } else if (FAILED(hr)) {
        delete m_pPin;
        m_pPin = nullptr;
    }
    if (phr && FAILED(hr))
        *phr = hr;
}

NSoundDump::~NSoundDump()
{
    delete m_pPin;
    delete m_pPosition;
    CloseDumpFile();
    CoTaskMemFree(m_pFileName);
}

HRESULT NSoundDump::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IMediaPosition || riid == IID_IMediaSeeking) {
        CAutoLock lock(&m_PositionLock);
        if (!m_pPosition) {
            HRESULT hr = S_OK;
            m_pPosition = new (std::nothrow) CRendererPosPassThru("sound dump position", GetOwner(), &hr, m_pPin);
            if (!m_pPosition) {
                *ppv = nullptr;
                return E_OUTOFMEMORY;
            }
            if (FAILED(hr)) {
                delete m_pPosition;
                m_pPosition = nullptr;
                *ppv = nullptr;
                return E_NOINTERFACE;
            }
        }
        return m_pPosition->NonDelegatingQueryInterface(riid, ppv);
    }
    if (riid == IID_IFileSinkFilter)
        return GetInterface(static_cast<IFileSinkFilter*>(this), ppv);
    return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}

CBasePin* NSoundDump::GetPin(int n)
{
    return n == 0 && GetPinCount() >= 1 ? m_pPin : nullptr;
}

HRESULT NSoundDump::ResetMediaPosition()
{
    if (m_pPosition)
        m_pPosition->ResetMediaTime();
    return S_OK;
}

HRESULT NSoundDump::EndOfStreamPosition()
{
    return m_pPosition ? m_pPosition->EOS() : S_OK;
}

HRESULT NSoundDump::WriteSample(IMediaSample* pSample)
{
    CAutoLock lock(&m_ReceiveLock);
    const long length = pSample->GetActualDataLength();
    if (m_pPosition)
        m_pPosition->RegisterMediaTime(pSample);
    if (!m_hFile.IsOpen())
        return S_OK; // no dump open: the sample is consumed and dropped
    BYTE* data = nullptr;
    HRESULT hr = pSample->GetPointer(&data);
    if (FAILED(hr))
        return hr;
    if (length > 0 && !m_hFile.Write(data, static_cast<UINT>(length)))
        return HRESULT_FROM_WIN32(GetLastError());
    return hr;
}

HRESULT NSoundDump::Stop()
{
    CAutoLock lock(&m_ReceiveLock);
    CloseDumpFile();
    if (m_pPosition)
        m_pPosition->ResetMediaTime();
    return CBaseFilter::Stop();
}

HRESULT NSoundDump::Pause()
{
    CAutoLock lock(&m_ReceiveLock);
    if (!m_hFile.IsOpen() && m_pFileName)
        OpenDumpFile(); // a failure drops the samples instead of stopping the graph
    return CBaseFilter::Pause();
}

HRESULT NSoundDump::Run(REFERENCE_TIME tStart)
{
    CAutoLock lock(&m_ReceiveLock);
    if (!m_hFile.IsOpen() && m_pFileName)
        OpenDumpFile();
    return CBaseFilter::Run(tStart);
}

HRESULT NSoundDump::SetFileName(LPCOLESTR pszFileName, const AM_MEDIA_TYPE*)
{
    if (!pszFileName)
        return E_POINTER;
    const std::size_t length = std::char_traits<OLECHAR>::length(pszFileName);
    if (length > kMaxDumpPath)
        return ERROR_FILENAME_EXCED_RANGE; // the plain code, as callers have always received it
    if (m_pFileName) {
        CloseDumpFile();
        CoTaskMemFree(m_pFileName);
        m_pFileName = nullptr;
    }
    m_pFileName = static_cast<LPOLESTR>(CoTaskMemAlloc((length + 1) * sizeof(OLECHAR)));
    if (!m_pFileName)
        return E_OUTOFMEMORY;
    std::memcpy(m_pFileName, pszFileName, (length + 1) * sizeof(OLECHAR));
    // Creating the file now reports a bad path at once and leaves an empty dump.
    HRESULT hr = OpenDumpFile();
    CloseDumpFile();
    return hr;
}

HRESULT NSoundDump::GetCurFile(LPOLESTR* ppszFileName, AM_MEDIA_TYPE* pmt)
{
    if (!ppszFileName)
        return E_POINTER;
    *ppszFileName = nullptr;
    if (m_pFileName) {
        const std::size_t bytes = (std::char_traits<OLECHAR>::length(m_pFileName) + 1) * sizeof(OLECHAR);
        *ppszFileName = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
        if (*ppszFileName)
            std::memcpy(*ppszFileName, m_pFileName, bytes);
    }
    if (pmt)
        std::memset(pmt, 0, sizeof *pmt);
    return S_OK;
}

HRESULT NSoundDump::OpenDumpFile()
{
    if (m_hFile.IsOpen())
        return S_OK;
    if (!m_hFile.Open(Utf16ToUtf8(m_pFileName), CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary))
        return HRESULT_FROM_WIN32(GetLastError());
    return S_OK;
}

void NSoundDump::CloseDumpFile()
{
    m_hFile.Close();
}

NSoundDumpInputPin::NSoundDumpInputPin(NSoundDump* pFilter, CCritSec* pLock, HRESULT* phr)
    : CRenderedInputPin("sound dump input pin", pFilter, pLock, phr, u"In") {}

NSoundDumpInputPin::~NSoundDumpInputPin() = default;

HRESULT NSoundDumpInputPin::CheckMediaType(const CMediaType*)
{
    return S_OK;
}

HRESULT NSoundDumpInputPin::EndOfStream()
{
    static_cast<NSoundDump*>(m_pFilter)->EndOfStreamPosition();
    return CRenderedInputPin::EndOfStream();
}

HRESULT NSoundDumpInputPin::EndFlush()
{
    static_cast<NSoundDump*>(m_pFilter)->ResetMediaPosition();
    return CRenderedInputPin::EndFlush();
}

HRESULT NSoundDumpInputPin::Receive(IMediaSample* pSample)
{
    if (!m_pFilter)
        return S_OK;
    return static_cast<NSoundDump*>(m_pFilter)->WriteSample(pSample);
}

HRESULT NSoundDumpInputPin::ReceiveCanBlock()
{
    return S_FALSE;
}
