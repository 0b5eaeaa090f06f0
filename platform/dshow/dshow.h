// The media-graph interfaces: filters with pins exchanging media samples,
// a filter graph manager that builds and runs graphs, and the types they
// share.  Names, methods and results follow the original platform so that
// filters and hosts written for it read the same here.
//
// How the pieces meet: a filter (IBaseFilter) owns pins (IPin).  An output
// pin connects to an input pin after both agree on a media type
// (AM_MEDIA_TYPE); the output pin then obtains buffers (IMediaSample) from
// an allocator (IMemAllocator) and pushes them into the input pin
// (IMemInputPin::Receive) on a streaming thread.  The graph manager
// (CLSID_FilterGraph: IGraphBuilder, IMediaControl, IMediaSeeking,
// IMediaEvent) changes the state of every filter, downstream filters first.
// Positions are REFERENCE_TIME: 100-ns units of media time.
#pragma once

#include "com/com.h"
#include "core/waveformat.h"

using REFERENCE_TIME = LONGLONG;
using REFTIME = double;
using LPCSTR = const char*;

constexpr REFERENCE_TIME UNITS = 10000000; // one second of REFERENCE_TIME
constexpr int MAX_FILTER_NAME = 128;
constexpr int MAX_PIN_NAME = 128;

// Results of the media-graph interfaces (vfwmsgs.h).
constexpr HRESULT VFW_E_INVALIDMEDIATYPE = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT VFW_E_ALREADY_CONNECTED = static_cast<HRESULT>(0x80040204u);
constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = static_cast<HRESULT>(0x80040207u);
constexpr HRESULT VFW_E_INVALID_DIRECTION = static_cast<HRESULT>(0x80040208u);
constexpr HRESULT VFW_E_NOT_CONNECTED = static_cast<HRESULT>(0x80040209u);
constexpr HRESULT VFW_E_NO_ALLOCATOR = static_cast<HRESULT>(0x8004020Au);
constexpr HRESULT VFW_E_RUNTIME_ERROR = static_cast<HRESULT>(0x8004020Bu);
constexpr HRESULT VFW_E_BUFFER_NOTSET = static_cast<HRESULT>(0x8004020Cu);
constexpr HRESULT VFW_E_BUFFER_OVERFLOW = static_cast<HRESULT>(0x8004020Du);
constexpr HRESULT VFW_E_BADALIGN = static_cast<HRESULT>(0x8004020Eu);
constexpr HRESULT VFW_E_NOT_COMMITTED = static_cast<HRESULT>(0x80040211u);
constexpr HRESULT VFW_E_SIZENOTSET = static_cast<HRESULT>(0x80040212u);
constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216u);
constexpr HRESULT VFW_E_CANNOT_CONNECT = static_cast<HRESULT>(0x80040217u);
constexpr HRESULT VFW_E_CANNOT_RENDER = static_cast<HRESULT>(0x80040218u);
constexpr HRESULT VFW_E_NOT_STOPPED = static_cast<HRESULT>(0x80040224u);
constexpr HRESULT VFW_E_BUFFERS_OUTSTANDING = static_cast<HRESULT>(0x80040225u);
constexpr HRESULT VFW_E_WRONG_STATE = static_cast<HRESULT>(0x80040227u);
constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = static_cast<HRESULT>(0x8004022Au);
constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = static_cast<HRESULT>(0x8004022Fu);
constexpr HRESULT VFW_E_NOT_IN_GRAPH = static_cast<HRESULT>(0x8004025Fu);
constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = static_cast<HRESULT>(0x80040265u);
constexpr HRESULT VFW_S_DUPLICATE_NAME = 0x0004022D;
constexpr HRESULT VFW_S_PARTIAL_RENDER = 0x00040242;
constexpr HRESULT VFW_S_STATE_INTERMEDIATE = 0x00040237;

// Event codes (evcode.h).
constexpr long EC_COMPLETE = 0x01;
constexpr long EC_USERABORT = 0x02;
constexpr long EC_ERRORABORT = 0x03;

// Filter merits.
constexpr DWORD MERIT_PREFERRED = 0x800000;
constexpr DWORD MERIT_NORMAL = 0x600000;
constexpr DWORD MERIT_UNLIKELY = 0x400000;
constexpr DWORD MERIT_DO_NOT_USE = 0x200000;

// Major types, subtypes and format types.
extern const GUID MEDIATYPE_NULL;
extern const GUID MEDIASUBTYPE_NULL;
extern const GUID MEDIATYPE_Audio;
extern const GUID MEDIATYPE_AnalogAudio;
extern const GUID MEDIATYPE_Video;
extern const GUID MEDIATYPE_Stream;
extern const GUID MEDIASUBTYPE_PCM;
extern const GUID FORMAT_None;
extern const GUID FORMAT_WaveFormatEx;
extern const GUID FORMAT_VideoInfo;
extern const GUID TIME_FORMAT_NONE;
extern const GUID TIME_FORMAT_MEDIA_TIME;
// The subtype of a wave format tag or four-character code:
// {XXXXXXXX-0000-0010-8000-00AA00389B71}.
GUID MediaSubtypeFromFourCC(DWORD fourcc);

// Classes and interfaces.
extern const CLSID CLSID_FilterGraph;
extern const CLSID CLSID_FilterMapper2;
extern const CLSID CLSID_MemoryAllocator;
extern const GUID CLSID_LegacyAmFilterCategory;
extern const IID IID_IMediaFilter;
extern const IID IID_IBaseFilter;
extern const IID IID_IPin;
extern const IID IID_IEnumPins;
extern const IID IID_IEnumMediaTypes;
extern const IID IID_IEnumFilters;
extern const IID IID_IMemInputPin;
extern const IID IID_IMemAllocator;
extern const IID IID_IMediaSample;
extern const IID IID_IReferenceClock;
extern const IID IID_IFilterGraph;
extern const IID IID_IGraphBuilder;
extern const IID IID_IMediaControl;
extern const IID IID_IMediaSeeking;
extern const IID IID_IMediaPosition;
extern const IID IID_IMediaEvent;
extern const IID IID_IMediaEventSink;
extern const IID IID_IFileSinkFilter;
extern const IID IID_IAMovieSetup;
extern const IID IID_IFilterMapper2;
extern const IID IID_IQualityControl;

#pragma pack(push, 8)
struct AM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    BOOL bFixedSizeSamples;
    BOOL bTemporalCompression;
    ULONG lSampleSize;
    GUID formattype;
    IUnknown* pUnk; // held; released with the type
    ULONG cbFormat;
    BYTE* pbFormat; // task memory; freed with the type
};
#pragma pack(pop)

struct RECT {
    LONG left, top, right, bottom;
};

#pragma pack(push, 2)
struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
#pragma pack(pop)

struct VIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate;
    DWORD dwBitErrorRate;
    REFERENCE_TIME AvgTimePerFrame;
    BITMAPINFOHEADER bmiHeader;
};

enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };
enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

struct IFilterGraph;
struct IBaseFilter;
struct IPin;

struct FILTER_INFO {
    WCHAR achName[MAX_FILTER_NAME];
    IFilterGraph* pGraph; // held; the caller releases it
};

struct PIN_INFO {
    IBaseFilter* pFilter; // held; the caller releases it
    PIN_DIRECTION dir;
    WCHAR achName[MAX_PIN_NAME];
};

struct ALLOCATOR_PROPERTIES {
    long cBuffers;
    long cbBuffer;
    long cbAlign;
    long cbPrefix;
};

struct IReferenceClock : IUnknown {
    STDMETHOD(GetTime)(REFERENCE_TIME* pTime) = 0;
};

struct IEnumPins : IUnknown {
    STDMETHOD(Next)(ULONG cPins, IPin** ppPins, ULONG* pcFetched) = 0;
    STDMETHOD(Skip)(ULONG cPins) = 0;
    STDMETHOD(Reset)() = 0;
    STDMETHOD(Clone)(IEnumPins** ppEnum) = 0;
};

struct IEnumMediaTypes : IUnknown {
    // Each type comes in task memory; the caller frees it (DeleteMediaType).
    STDMETHOD(Next)(ULONG cTypes, AM_MEDIA_TYPE** ppTypes, ULONG* pcFetched) = 0;
    STDMETHOD(Skip)(ULONG cTypes) = 0;
    STDMETHOD(Reset)() = 0;
    STDMETHOD(Clone)(IEnumMediaTypes** ppEnum) = 0;
};

struct IEnumFilters : IUnknown {
    STDMETHOD(Next)(ULONG cFilters, IBaseFilter** ppFilter, ULONG* pcFetched) = 0;
    STDMETHOD(Skip)(ULONG cFilters) = 0;
    STDMETHOD(Reset)() = 0;
    STDMETHOD(Clone)(IEnumFilters** ppEnum) = 0;
};

struct IMediaFilter : IPersist {
    STDMETHOD(Stop)() = 0;
    STDMETHOD(Pause)() = 0;
    STDMETHOD(Run)(REFERENCE_TIME tStart) = 0;
    STDMETHOD(GetState)(DWORD dwMilliSecsTimeout, FILTER_STATE* State) = 0;
    STDMETHOD(SetSyncSource)(IReferenceClock* pClock) = 0;
    STDMETHOD(GetSyncSource)(IReferenceClock** pClock) = 0;
};

struct IBaseFilter : IMediaFilter {
    STDMETHOD(EnumPins)(IEnumPins** ppEnum) = 0;
    STDMETHOD(FindPin)(LPCWSTR Id, IPin** ppPin) = 0;
    STDMETHOD(QueryFilterInfo)(FILTER_INFO* pInfo) = 0;
    STDMETHOD(JoinFilterGraph)(IFilterGraph* pGraph, LPCWSTR pName) = 0;
    STDMETHOD(QueryVendorInfo)(LPWSTR* pVendorInfo) = 0;
};

struct IPin : IUnknown {
    STDMETHOD(Connect)(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) = 0;
    STDMETHOD(ReceiveConnection)(IPin* pConnector, const AM_MEDIA_TYPE* pmt) = 0;
    STDMETHOD(Disconnect)() = 0;
    STDMETHOD(ConnectedTo)(IPin** pPin) = 0;
    STDMETHOD(ConnectionMediaType)(AM_MEDIA_TYPE* pmt) = 0;
    STDMETHOD(QueryPinInfo)(PIN_INFO* pInfo) = 0;
    STDMETHOD(QueryDirection)(PIN_DIRECTION* pPinDir) = 0;
    STDMETHOD(QueryId)(LPWSTR* Id) = 0;
    STDMETHOD(QueryAccept)(const AM_MEDIA_TYPE* pmt) = 0;
    STDMETHOD(EnumMediaTypes)(IEnumMediaTypes** ppEnum) = 0;
    STDMETHOD(QueryInternalConnections)(IPin** apPin, ULONG* nPin) = 0;
    STDMETHOD(EndOfStream)() = 0;
    STDMETHOD(BeginFlush)() = 0;
    STDMETHOD(EndFlush)() = 0;
    STDMETHOD(NewSegment)(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) = 0;
};

struct IMediaSample : IUnknown {
    STDMETHOD(GetPointer)(BYTE** ppBuffer) = 0;
    STDMETHOD_(long, GetSize)() = 0;
    STDMETHOD(GetTime)(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) = 0;
    STDMETHOD(SetTime)(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) = 0;
    STDMETHOD(IsSyncPoint)() = 0;
    STDMETHOD(SetSyncPoint)(BOOL bIsSyncPoint) = 0;
    STDMETHOD(IsPreroll)() = 0;
    STDMETHOD(SetPreroll)(BOOL bIsPreroll) = 0;
    STDMETHOD_(long, GetActualDataLength)() = 0;
    STDMETHOD(SetActualDataLength)(long length) = 0;
    STDMETHOD(GetMediaType)(AM_MEDIA_TYPE** ppMediaType) = 0;
    STDMETHOD(SetMediaType)(AM_MEDIA_TYPE* pMediaType) = 0;
    STDMETHOD(IsDiscontinuity)() = 0;
    STDMETHOD(SetDiscontinuity)(BOOL bDiscontinuity) = 0;
    STDMETHOD(GetMediaTime)(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) = 0;
    STDMETHOD(SetMediaTime)(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) = 0;
};

struct IMemAllocator : IUnknown {
    STDMETHOD(SetProperties)(ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual) = 0;
    STDMETHOD(GetProperties)(ALLOCATOR_PROPERTIES* pProps) = 0;
    STDMETHOD(Commit)() = 0;
    STDMETHOD(Decommit)() = 0;
    // Waits for a free buffer while committed; VFW_E_NOT_COMMITTED once decommitted.
    STDMETHOD(GetBuffer)(IMediaSample** ppBuffer, REFERENCE_TIME* pStartTime, REFERENCE_TIME* pEndTime, DWORD dwFlags) = 0;
    STDMETHOD(ReleaseBuffer)(IMediaSample* pBuffer) = 0;
};

struct IMemInputPin : IUnknown {
    STDMETHOD(GetAllocator)(IMemAllocator** ppAllocator) = 0;
    STDMETHOD(NotifyAllocator)(IMemAllocator* pAllocator, BOOL bReadOnly) = 0;
    STDMETHOD(GetAllocatorRequirements)(ALLOCATOR_PROPERTIES* pProps) = 0;
    STDMETHOD(Receive)(IMediaSample* pSample) = 0;
    STDMETHOD(ReceiveMultiple)(IMediaSample** pSamples, long nSamples, long* nSamplesProcessed) = 0;
    STDMETHOD(ReceiveCanBlock)() = 0;
};

struct IFilterGraph : IUnknown {
    // Names are unique in a graph: a taken name gets " 0001", " 0002"...
    // appended and the result is VFW_S_DUPLICATE_NAME.
    STDMETHOD(AddFilter)(IBaseFilter* pFilter, LPCWSTR pName) = 0;
    STDMETHOD(RemoveFilter)(IBaseFilter* pFilter) = 0;
    STDMETHOD(EnumFilters)(IEnumFilters** ppEnum) = 0;
    STDMETHOD(FindFilterByName)(LPCWSTR pName, IBaseFilter** ppFilter) = 0;
    STDMETHOD(ConnectDirect)(IPin* ppinOut, IPin* ppinIn, const AM_MEDIA_TYPE* pmt) = 0;
    STDMETHOD(Reconnect)(IPin* ppin) = 0;
    STDMETHOD(Disconnect)(IPin* ppin) = 0;
    STDMETHOD(SetDefaultSyncSource)() = 0;
};

struct IGraphBuilder : IFilterGraph {
    // Intelligent connect: directly, else through decoders the graph inserts.
    STDMETHOD(Connect)(IPin* ppinOut, IPin* ppinIn) = 0;
    // Connects the output pin to a renderer, through decoders as needed.
    STDMETHOD(Render)(IPin* ppinOut) = 0;
    STDMETHOD(RenderFile)(LPCWSTR lpcwstrFile, LPCWSTR lpcwstrPlayList) = 0;
    STDMETHOD(AddSourceFilter)(LPCWSTR lpcwstrFileName, LPCWSTR lpcwstrFilterName, IBaseFilter** ppFilter) = 0;
    STDMETHOD(SetLogFile)(std::uintptr_t hFile) = 0;
    STDMETHOD(Abort)() = 0;
    STDMETHOD(ShouldOperationContinue)() = 0;
};

using OAFilterState = long;

struct IMediaControl : IUnknown {
    STDMETHOD(Run)() = 0;
    STDMETHOD(Pause)() = 0;
    STDMETHOD(Stop)() = 0;
    STDMETHOD(GetState)(long msTimeout, OAFilterState* pfs) = 0;
    STDMETHOD(StopWhenReady)() = 0;
};

struct IMediaEvent : IUnknown {
    // Waits until every renderer reported completion (EC_COMPLETE), an error
    // aborted the graph, or the time ran out (E_ABORT).  INFINITE = -1.
    STDMETHOD(WaitForCompletion)(long msTimeout, long* pEvCode) = 0;
};

struct IMediaEventSink : IUnknown {
    STDMETHOD(Notify)(long EventCode, std::intptr_t EventParam1, std::intptr_t EventParam2) = 0;
};

enum AM_SEEKING_SEEKING_CAPABILITIES : DWORD {
    AM_SEEKING_CanSeekAbsolute = 0x1,
    AM_SEEKING_CanSeekForwards = 0x2,
    AM_SEEKING_CanSeekBackwards = 0x4,
    AM_SEEKING_CanGetCurrentPos = 0x8,
    AM_SEEKING_CanGetStopPos = 0x10,
    AM_SEEKING_CanGetDuration = 0x20,
};

enum AM_SEEKING_SEEKING_FLAGS : DWORD {
    AM_SEEKING_NoPositioning = 0x0,
    AM_SEEKING_AbsolutePositioning = 0x1,
    AM_SEEKING_RelativePositioning = 0x2,
    AM_SEEKING_IncrementalPositioning = 0x3,
    AM_SEEKING_PositioningBitsMask = 0x3,
};

struct IMediaSeeking : IUnknown {
    STDMETHOD(GetCapabilities)(DWORD* pCapabilities) = 0;
    STDMETHOD(CheckCapabilities)(DWORD* pCapabilities) = 0;
    STDMETHOD(IsFormatSupported)(const GUID* pFormat) = 0;
    STDMETHOD(QueryPreferredFormat)(GUID* pFormat) = 0;
    STDMETHOD(GetTimeFormat)(GUID* pFormat) = 0;
    STDMETHOD(IsUsingTimeFormat)(const GUID* pFormat) = 0;
    STDMETHOD(SetTimeFormat)(const GUID* pFormat) = 0;
    STDMETHOD(GetDuration)(LONGLONG* pDuration) = 0;
    STDMETHOD(GetStopPosition)(LONGLONG* pStop) = 0;
    STDMETHOD(GetCurrentPosition)(LONGLONG* pCurrent) = 0;
    STDMETHOD(ConvertTimeFormat)(LONGLONG* pTarget, const GUID* pTargetFormat, LONGLONG Source, const GUID* pSourceFormat) = 0;
    STDMETHOD(SetPositions)(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop, DWORD dwStopFlags) = 0;
    STDMETHOD(GetPositions)(LONGLONG* pCurrent, LONGLONG* pStop) = 0;
    STDMETHOD(GetAvailable)(LONGLONG* pEarliest, LONGLONG* pLatest) = 0;
    STDMETHOD(SetRate)(double dRate) = 0;
    STDMETHOD(GetRate)(double* pdRate) = 0;
    STDMETHOD(GetPreroll)(LONGLONG* pllPreroll) = 0;
};

// Positions in seconds, the older form of IMediaSeeking.
struct IMediaPosition : IUnknown {
    STDMETHOD(get_Duration)(REFTIME* plength) = 0;
    STDMETHOD(put_CurrentPosition)(REFTIME llTime) = 0;
    STDMETHOD(get_CurrentPosition)(REFTIME* pllTime) = 0;
    STDMETHOD(get_StopTime)(REFTIME* pllTime) = 0;
    STDMETHOD(put_StopTime)(REFTIME llTime) = 0;
    STDMETHOD(get_Rate)(double* pdRate) = 0;
    STDMETHOD(put_Rate)(double dRate) = 0;
};

struct IFileSinkFilter : IUnknown {
    STDMETHOD(SetFileName)(LPCOLESTR pszFileName, const AM_MEDIA_TYPE* pmt) = 0;
    // The name comes in task memory (CoTaskMemFree).
    STDMETHOD(GetCurFile)(LPOLESTR* ppszFileName, AM_MEDIA_TYPE* pmt) = 0;
};

struct IAMovieSetup : IUnknown {
    STDMETHOD(Register)() = 0;
    STDMETHOD(Unregister)() = 0;
};

// Filter registration data.
struct REGPINTYPES {
    const CLSID* clsMajorType;
    const CLSID* clsMinorType;
};

struct REGFILTERPINS {
    LPCWSTR strName;
    BOOL bRendered;
    BOOL bOutput;
    BOOL bZero;
    BOOL bMany;
    const CLSID* clsConnectsToFilter;
    LPCWSTR strConnectsToPin;
    UINT nMediaTypes;
    const REGPINTYPES* lpMediaType;
};

struct REGFILTER2 {
    DWORD dwVersion; // 1: rgPins
    DWORD dwMerit;
    ULONG cPins;
    const REGFILTERPINS* rgPins;
};

struct IFilterMapper2 : IUnknown {
    STDMETHOD(CreateCategory)(REFCLSID clsidCategory, DWORD dwCategoryMerit, LPCWSTR Description) = 0;
    STDMETHOD(UnregisterFilter)(const CLSID* pclsidCategory, LPCOLESTR szInstance, REFCLSID Filter) = 0;
    // ppMoniker is accepted for the signature's sake and must be null here.
    STDMETHOD(RegisterFilter)(REFCLSID clsidFilter, LPCWSTR Name, void** ppMoniker, const CLSID* pclsidCategory,
        LPCOLESTR szInstance, const REGFILTER2* prf2) = 0;
};

// Media type helpers.  Types handed between modules live in task memory.
void FreeMediaType(AM_MEDIA_TYPE& mt);       // format block and object reference
void DeleteMediaType(AM_MEDIA_TYPE* pmt);    // the above, then the type itself
HRESULT CopyMediaType(AM_MEDIA_TYPE* dest, const AM_MEDIA_TYPE* src);
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* src); // null when memory runs out

constexpr HRESULT VFW_E_ALREADY_COMMITTED = static_cast<HRESULT>(0x8004020Fu);
constexpr HRESULT VFW_E_SAMPLE_TIME_NOT_SET = static_cast<HRESULT>(0x80040249u);
constexpr HRESULT VFW_E_MEDIA_TIME_NOT_SET = static_cast<HRESULT>(0x80040251u);
constexpr HRESULT VFW_S_NO_STOP_TIME = 0x00040270;
constexpr HRESULT VFW_E_DUPLICATE_NAME = static_cast<HRESULT>(0x8004023Fu);
