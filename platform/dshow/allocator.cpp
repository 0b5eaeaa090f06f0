#include "allocator.h"

#include <new>

CMediaSample::CMediaSample(CMemAllocator* owner, BYTE* buffer, long size)
    : m_pAllocator(owner), m_pBuffer(buffer), m_cbBuffer(size) {}

CMediaSample::~CMediaSample()
{
    DeleteMediaType(m_pMediaType);
}

HRESULT CMediaSample::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IMediaSample)
        return GetInterface(this, ppv);
    return E_NOINTERFACE;
}

ULONG CMediaSample::AddRef()
{
    return static_cast<ULONG>(++m_cRef);
}

ULONG CMediaSample::Release()
{
    LONG n = --m_cRef;
    if (n == 0)
        m_pAllocator->ReleaseBuffer(this);
    return static_cast<ULONG>(n);
}

void CMediaSample::ResetProperties()
{
    m_lActual = 0;
    m_bTimeValid = m_bStopValid = m_bMediaTimeValid = false;
    m_bSync = m_bPreroll = m_bDiscontinuity = false;
    DeleteMediaType(m_pMediaType);
    m_pMediaType = nullptr;
}

HRESULT CMediaSample::GetPointer(BYTE** ppBuffer)
{
    if (!ppBuffer)
        return E_POINTER;
    *ppBuffer = m_pBuffer;
    return S_OK;
}

HRESULT CMediaSample::GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd)
{
    if (!pTimeStart || !pTimeEnd)
        return E_POINTER;
    if (!m_bTimeValid)
        return VFW_E_SAMPLE_TIME_NOT_SET;
    *pTimeStart = m_Start;
    if (m_bStopValid) {
        *pTimeEnd = m_End;
        return S_OK;
    }
    *pTimeEnd = m_Start + 1;
    return VFW_S_NO_STOP_TIME;
}

HRESULT CMediaSample::SetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd)
{
    m_bTimeValid = pTimeStart != nullptr;
    m_bStopValid = pTimeStart && pTimeEnd;
    if (pTimeStart)
        m_Start = *pTimeStart;
    if (pTimeEnd)
        m_End = *pTimeEnd;
    return S_OK;
}

HRESULT CMediaSample::SetActualDataLength(long length)
{
    if (length < 0 || length > m_cbBuffer)
        return VFW_E_BUFFER_OVERFLOW;
    m_lActual = length;
    return S_OK;
}

HRESULT CMediaSample::GetMediaType(AM_MEDIA_TYPE** ppMediaType)
{
    if (!ppMediaType)
        return E_POINTER;
    *ppMediaType = nullptr;
    if (!m_pMediaType)
        return S_FALSE;
    *ppMediaType = CreateMediaType(m_pMediaType);
    return *ppMediaType ? S_OK : E_OUTOFMEMORY;
}

HRESULT CMediaSample::SetMediaType(AM_MEDIA_TYPE* pMediaType)
{
    DeleteMediaType(m_pMediaType);
    m_pMediaType = nullptr;
    if (!pMediaType)
        return S_OK;
    m_pMediaType = CreateMediaType(pMediaType);
    return m_pMediaType ? S_OK : E_OUTOFMEMORY;
}

HRESULT CMediaSample::GetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd)
{
    if (!pTimeStart || !pTimeEnd)
        return E_POINTER;
    if (!m_bMediaTimeValid)
        return VFW_E_MEDIA_TIME_NOT_SET;
    *pTimeStart = m_MediaStart;
    *pTimeEnd = m_MediaEnd;
    return S_OK;
}

HRESULT CMediaSample::SetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd)
{
    m_bMediaTimeValid = pTimeStart && pTimeEnd;
    if (m_bMediaTimeValid) {
        m_MediaStart = *pTimeStart;
        m_MediaEnd = *pTimeEnd;
    }
    return S_OK;
}

CMemAllocator::CMemAllocator(const char* name, IUnknown* pUnk, HRESULT*) : CUnknown(name, pUnk) {}

CMemAllocator::~CMemAllocator()
{
    // Lent samples hold the allocator, so none is out by now.
    m_samples.clear();
    m_buffers.clear();
}

HRESULT CMemAllocator::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IMemAllocator)
        return GetInterface(static_cast<IMemAllocator*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CMemAllocator::SetProperties(ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual)
{
    if (!pRequest || !pActual)
        return E_POINTER;
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_bCommitted)
        return VFW_E_ALREADY_COMMITTED;
    if (m_samples.size() != m_free.size())
        return VFW_E_BUFFERS_OUTSTANDING;
    if (pRequest->cBuffers <= 0 || pRequest->cbBuffer <= 0)
        return VFW_E_SIZENOTSET;
    if (pRequest->cbAlign != 0 && pRequest->cbAlign != 1)
        return VFW_E_BADALIGN; // buffers come from the heap, aligned for any type
    m_props = *pRequest;
    m_props.cbAlign = 1;
    m_props.cbPrefix = 0;
    *pActual = m_props;
    return S_OK;
}

HRESULT CMemAllocator::GetProperties(ALLOCATOR_PROPERTIES* pProps)
{
    if (!pProps)
        return E_POINTER;
    std::lock_guard<std::mutex> guard(m_mutex);
    *pProps = m_props;
    return S_OK;
}

HRESULT CMemAllocator::Commit()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_bCommitted)
        return S_OK;
    if (m_props.cBuffers <= 0)
        return VFW_E_SIZENOTSET;
    if (m_samples.empty()) {
        for (long i = 0; i < m_props.cBuffers; ++i) {
            auto buffer = std::unique_ptr<BYTE[]>(new (std::nothrow) BYTE[static_cast<std::size_t>(m_props.cbBuffer)]);
            auto sample = std::unique_ptr<CMediaSample>(new (std::nothrow) CMediaSample(this, buffer.get(), m_props.cbBuffer));
            if (!buffer || !sample) {
                m_free.clear();
                m_samples.clear();
                m_buffers.clear();
                return E_OUTOFMEMORY;
            }
            m_free.push_back(sample.get());
            m_samples.push_back(std::move(sample));
            m_buffers.push_back(std::move(buffer));
        }
    }
    m_bCommitted = true;
    return S_OK;
}

HRESULT CMemAllocator::Decommit()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_bCommitted = false;
    FreeIfUnused();
    m_freed.notify_all();
    return S_OK;
}

void CMemAllocator::FreeIfUnused()
{
    if (!m_bCommitted && m_free.size() == m_samples.size()) {
        m_free.clear();
        m_samples.clear();
        m_buffers.clear();
    }
}

HRESULT CMemAllocator::GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME*, REFERENCE_TIME*, DWORD)
{
    if (!ppBuffer)
        return E_POINTER;
    *ppBuffer = nullptr;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_freed.wait(lock, [this] { return !m_bCommitted || !m_free.empty(); });
    if (!m_bCommitted)
        return VFW_E_NOT_COMMITTED;
    CMediaSample* sample = m_free.back();
    m_free.pop_back();
    lock.unlock();
    sample->ResetProperties();
    NonDelegatingAddRef(); // a lent sample keeps its allocator
    sample->AddRef();
    *ppBuffer = sample;
    return S_OK;
}

HRESULT CMemAllocator::ReleaseBuffer(IMediaSample* pBuffer)
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_free.push_back(static_cast<CMediaSample*>(pBuffer));
        FreeIfUnused();
        m_freed.notify_one();
    }
    NonDelegatingRelease();
    return S_OK;
}
