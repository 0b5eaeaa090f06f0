// NSoundDump: a renderer with one input pin that accepts any media type and
// appends the payload of every sample it receives, in arrival order and
// nothing else, to the file named through IFileSinkFilter.  It also answers
// position queries (IMediaSeeking) from the times of the samples it gets.
//
// Threads: the controlling thread makes the state changes and names the
// file; the upstream streaming thread delivers samples, end of stream and
// flushes.
// Locks, always taken in this order:
//   m_ReceiveLock  - a sample's write against the file's opening and closing
//                    in Stop, Pause and Run (held around the base call too);
//   m_FilterLock   - the base filter's state and the pin's connection.
// WriteSample takes only m_ReceiveLock.  m_PositionLock covers only the lazy
// creation of m_pPosition, whose recorded times have a lock of their own.
// SetFileName and GetCurFile are called before the graph runs and take no lock.
#pragma once

#include "dshow/amfilter.h"
#include "dshow/pospass.h"
#include "files/file.h"

#include <memory>

class NSoundDumpInputPin;

class NSoundDump : public CBaseFilter, public IFileSinkFilter {
public:
    // The class object's create operation (outer unknown for aggregation).
    static CUnknown* CreateInstance(IUnknown* pUnk, HRESULT* phr);

    NSoundDump(IUnknown* pUnk, HRESULT* phr);
    ~NSoundDump() override;
    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override;

    // Resets the recorded media time of the position object, if any.
    HRESULT ResetMediaPosition();
    // Appends one sample to the dump file; on the streaming thread.
    HRESULT WriteSample(IMediaSample* pSample);
    // End of stream: the recorded time becomes the stop position.
    HRESULT EndOfStreamPosition();

    // IBaseFilter: the file is opened at Pause/Run and closed at Stop.
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME tStart) override;

    // IFileSinkFilter
    HRESULT SetFileName(LPCOLESTR pszFileName, const AM_MEDIA_TYPE* pmt) override;
    HRESULT GetCurFile(LPOLESTR* ppszFileName, AM_MEDIA_TYPE* pmt) override;

private:
    HRESULT OpenDumpFile();
    void CloseDumpFile();

    CCritSec m_FilterLock;
    CCritSec m_ReceiveLock;
    NSoundDumpInputPin* m_pPin = nullptr;
    CFile m_hFile;                  // closed when no dump is open
    LPOLESTR m_pFileName = nullptr; // owned copy of the last name given
    CRendererPosPassThru* m_pPosition = nullptr;
    CCritSec m_PositionLock;
};

class NSoundDumpInputPin : public CRenderedInputPin {
public:
    NSoundDumpInputPin(NSoundDump* pFilter, CCritSec* pLock, HRESULT* phr);
    ~NSoundDumpInputPin() override;

    // Every proposed type is accepted: the first the upstream pin offers wins.
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT EndOfStream() override;
    HRESULT EndFlush() override;
    // Straight to the filter's WriteSample: no state checks, so a sample
    // arriving while paused is still written.
    HRESULT Receive(IMediaSample* pSample) override;
    HRESULT ReceiveCanBlock() override;
};
