// Media samples and the memory allocator that lends them.  An allocator owns
// a fixed set of buffers from Commit to Decommit; GetBuffer lends one (waiting
// while all are out) and the sample comes back when its last reference goes.
// After Decommit, GetBuffer fails at once and the buffers are freed when the
// last lent sample has come back.  All operations are thread-safe.
#pragma once

#include "combase.h"

#include <condition_variable>
#include <memory>
#include <vector>

class CMemAllocator;

class CMediaSample : public IMediaSample {
public:
    CMediaSample(CMemAllocator* owner, BYTE* buffer, long size);
    ~CMediaSample();

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override; // the last release returns the sample to its allocator

    HRESULT GetPointer(BYTE** ppBuffer) override;
    long GetSize() override { return m_cbBuffer; }
    HRESULT GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) override;
    HRESULT SetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) override;
    HRESULT IsSyncPoint() override { return m_bSync ? S_OK : S_FALSE; }
    HRESULT SetSyncPoint(BOOL b) override { m_bSync = b; return S_OK; }
    HRESULT IsPreroll() override { return m_bPreroll ? S_OK : S_FALSE; }
    HRESULT SetPreroll(BOOL b) override { m_bPreroll = b; return S_OK; }
    long GetActualDataLength() override { return m_lActual; }
    HRESULT SetActualDataLength(long length) override;
    HRESULT GetMediaType(AM_MEDIA_TYPE** ppMediaType) override;
    HRESULT SetMediaType(AM_MEDIA_TYPE* pMediaType) override;
    HRESULT IsDiscontinuity() override { return m_bDiscontinuity ? S_OK : S_FALSE; }
    HRESULT SetDiscontinuity(BOOL b) override { m_bDiscontinuity = b; return S_OK; }
    HRESULT GetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) override;
    HRESULT SetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) override;

    // Clears the per-use properties when lent again.
    void ResetProperties();

private:
    std::atomic<LONG> m_cRef{0};
    CMemAllocator* m_pAllocator;
    BYTE* m_pBuffer;
    long m_cbBuffer;
    long m_lActual = 0;
    bool m_bTimeValid = false, m_bStopValid = false, m_bMediaTimeValid = false;
    REFERENCE_TIME m_Start = 0, m_End = 0;
    LONGLONG m_MediaStart = 0, m_MediaEnd = 0;
    bool m_bSync = false, m_bPreroll = false, m_bDiscontinuity = false;
    AM_MEDIA_TYPE* m_pMediaType = nullptr; // task memory
};

class CMemAllocator : public CUnknown, public IMemAllocator {
public:
    CMemAllocator(const char* name, IUnknown* pUnk, HRESULT* phr);
    ~CMemAllocator() override;
    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    HRESULT SetProperties(ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual) override;
    HRESULT GetProperties(ALLOCATOR_PROPERTIES* pProps) override;
    HRESULT Commit() override;
    HRESULT Decommit() override;
    HRESULT GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME* pStartTime, REFERENCE_TIME* pEndTime, DWORD dwFlags) override;
    HRESULT ReleaseBuffer(IMediaSample* pBuffer) override;

private:
    void FreeIfUnused(); // caller holds m_mutex

    std::mutex m_mutex;
    std::condition_variable m_freed;
    ALLOCATOR_PROPERTIES m_props{};
    bool m_bCommitted = false;
    std::vector<std::unique_ptr<BYTE[]>> m_buffers;
    std::vector<std::unique_ptr<CMediaSample>> m_samples;
    std::vector<CMediaSample*> m_free;
};
