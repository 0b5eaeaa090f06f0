// The Windows Media Format runtime, as far as the recorder's WMA output
// uses it: a profile manager with codec information, profiles with one
// stream configuration each, and a writer with inputs and samples.
//
// Objects are reference counted (AddRef/Release) and reached through
// QueryInterface, like every runtime object.  The only codec installed is
// WMA (format tag 0x161), on FFmpeg's wmav2 encoder; files are ASF.
// An object belongs to one thread at a time.
#pragma once

#include "com/com.h"
#include "core/waveformat.h"
#include "core/wintypes.h"

using QWORD = std::uint64_t;

// Results of the runtime.
constexpr HRESULT NS_E_INVALID_REQUEST = static_cast<HRESULT>(0xC00D002Bu);
constexpr HRESULT NS_E_INVALID_INPUT_FORMAT = static_cast<HRESULT>(0xC00D0BB8u);
constexpr HRESULT NS_E_INVALID_STREAM = static_cast<HRESULT>(0xC00D0BB9u);
constexpr HRESULT NS_E_NO_PROFILE = static_cast<HRESULT>(0xC00D0BC4u);
constexpr HRESULT NS_E_FILE_OPEN_FAILED = static_cast<HRESULT>(0xC00D001Du);
constexpr HRESULT NS_E_FILE_WRITE = static_cast<HRESULT>(0xC00D0021u);

// Media types (the audio subtypes are the format tag in the first field).
constexpr GUID WMMEDIATYPE_Audio = {0x73647561, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
constexpr GUID WMMEDIASUBTYPE_Base = {0x00000000, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
constexpr GUID WMMEDIASUBTYPE_PCM = {0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
constexpr GUID WMMEDIASUBTYPE_WMAudioV8 = {0x00000161, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
constexpr GUID WMFORMAT_WaveFormatEx = {0x05589F81, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};

// The subtype GUID of a wave format tag.
constexpr GUID WaveSubtypeFromTag(WORD tag)
{
    GUID g = WMMEDIASUBTYPE_Base;
    g.Data1 = tag;
    return g;
}

constexpr WORD WAVE_FORMAT_WMAUDIO2 = 0x0161;

struct WM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    BOOL bFixedSizeSamples;
    BOOL bTemporalCompression;
    ULONG lSampleSize;
    GUID formattype;
    IUnknown* pUnk;
    ULONG cbFormat;
    BYTE* pbFormat;
};

enum WMT_VERSION : DWORD { WMT_VER_4_0 = 0x40000, WMT_VER_7_0 = 0x70000, WMT_VER_8_0 = 0x80000, WMT_VER_9_0 = 0x90000 };

constexpr DWORD WM_SF_CLEANPOINT = 0x1;

// Interface identifiers.
constexpr GUID IID_IWMMediaProps = {0x7A61C0A1, 0x5E3B, 0x4F1D, {0x9E, 0x12, 0x51, 0x4B, 0x30, 0x6A, 0x01, 0x01}};
constexpr GUID IID_IWMInputMediaProps = {0x7A61C0A1, 0x5E3B, 0x4F1D, {0x9E, 0x12, 0x51, 0x4B, 0x30, 0x6A, 0x01, 0x02}};
constexpr GUID IID_IWMStreamConfig = {0x7A61C0A1, 0x5E3B, 0x4F1D, {0x9E, 0x12, 0x51, 0x4B, 0x30, 0x6A, 0x01, 0x03}};
constexpr GUID IID_IWMProfile = {0x7A61C0A1, 0x5E3B, 0x4F1D, {0x9E, 0x12, 0x51, 0x4B, 0x30, 0x6A, 0x01, 0x04}};
constexpr GUID IID_IWMProfileManager = {0x7A61C0A1, 0x5E3B, 0x4F1D, {0x9E, 0x12, 0x51, 0x4B, 0x30, 0x6A, 0x01, 0x05}};
constexpr GUID IID_IWMCodecInfo = {0x7A61C0A1, 0x5E3B, 0x4F1D, {0x9E, 0x12, 0x51, 0x4B, 0x30, 0x6A, 0x01, 0x06}};
constexpr GUID IID_IWMCodecInfo2 = {0x7A61C0A1, 0x5E3B, 0x4F1D, {0x9E, 0x12, 0x51, 0x4B, 0x30, 0x6A, 0x01, 0x07}};
constexpr GUID IID_INSSBuffer = {0x7A61C0A1, 0x5E3B, 0x4F1D, {0x9E, 0x12, 0x51, 0x4B, 0x30, 0x6A, 0x01, 0x08}};
constexpr GUID IID_IWMWriter = {0x7A61C0A1, 0x5E3B, 0x4F1D, {0x9E, 0x12, 0x51, 0x4B, 0x30, 0x6A, 0x01, 0x09}};

// Media type of a stream or an input.  GetMediaType with a null type reports
// the size to provide (the record followed by its format block).
struct IWMMediaProps : IUnknown {
    virtual HRESULT GetType(GUID* pguidType) = 0;
    virtual HRESULT GetMediaType(WM_MEDIA_TYPE* pType, DWORD* pcbType) = 0;
    virtual HRESULT SetMediaType(WM_MEDIA_TYPE* pType) = 0;
};

struct IWMInputMediaProps : IWMMediaProps {
    virtual HRESULT GetConnectionName(WCHAR* pwszName, WORD* pcchName) = 0;
};

// One stream of a profile; also answers IWMMediaProps for its media type.
struct IWMStreamConfig : IUnknown {
    virtual HRESULT GetStreamType(GUID* pguidStreamType) = 0;
    virtual HRESULT GetStreamNumber(WORD* pwStreamNum) = 0;
    virtual HRESULT SetStreamNumber(WORD wStreamNum) = 0;
    virtual HRESULT SetStreamName(const WCHAR* pwszStreamName) = 0;
    virtual HRESULT SetConnectionName(const WCHAR* pwszInputName) = 0;
    virtual HRESULT GetBitrate(DWORD* pdwBitrate) = 0;
    virtual HRESULT SetBitrate(DWORD pdwBitrate) = 0;
};

struct IWMProfile : IUnknown {
    virtual HRESULT SetName(const WCHAR* pwszName) = 0;
    virtual HRESULT SetDescription(const WCHAR* pwszDescription) = 0;
    virtual HRESULT GetStreamCount(DWORD* pcStreams) = 0;
    virtual HRESULT GetStream(DWORD dwStreamIndex, IWMStreamConfig** ppConfig) = 0;
    virtual HRESULT CreateNewStream(REFGUID guidStreamType, IWMStreamConfig** ppConfig) = 0;
    // Adds a copy of the configuration (its number must be unused).
    virtual HRESULT AddStream(IWMStreamConfig* pConfig) = 0;
};

// Also answers IWMCodecInfo and IWMCodecInfo2.
struct IWMProfileManager : IUnknown {
    virtual HRESULT CreateEmptyProfile(WMT_VERSION dwVersion, IWMProfile** ppProfile) = 0;
};

struct IWMCodecInfo : IUnknown {
    virtual HRESULT GetCodecInfoCount(REFGUID guidType, DWORD* pcCodecs) = 0;
    virtual HRESULT GetCodecFormatCount(REFGUID guidType, DWORD dwCodecIndex, DWORD* pcFormat) = 0;
    virtual HRESULT GetCodecFormat(REFGUID guidType, DWORD dwCodecIndex, DWORD dwFormatIndex,
                                   IWMStreamConfig** ppIStreamConfig) = 0;
};

struct IWMCodecInfo2 : IWMCodecInfo {
    // With a null buffer, *pcchName receives the length with the terminator.
    virtual HRESULT GetCodecName(REFGUID guidType, DWORD dwCodecIndex, WCHAR* wszName, DWORD* pcchName) = 0;
};

struct INSSBuffer : IUnknown {
    virtual HRESULT GetLength(DWORD* pdwLength) = 0;
    virtual HRESULT SetLength(DWORD dwLength) = 0;
    virtual HRESULT GetMaxLength(DWORD* pdwLength) = 0;
    virtual HRESULT GetBuffer(BYTE** ppdwBuffer) = 0;
    virtual HRESULT GetBufferAndLength(BYTE** ppdwBuffer, DWORD* pdwLength) = 0;
};

// Writes one file from a profile.  Inputs take 8/16-bit PCM in the stream's
// own rate and channel count.  Sample times are in 100 ns units; audio
// samples are joined end to end in the order written, so a caller's rounding
// of times never opens gaps in the sound.
struct IWMWriter : IUnknown {
    virtual HRESULT SetProfile(IWMProfile* pProfile) = 0;
    virtual HRESULT SetOutputFilename(const WCHAR* pwszFilename) = 0;
    virtual HRESULT GetInputCount(DWORD* pcInputs) = 0;
    virtual HRESULT GetInputProps(DWORD dwInputNum, IWMInputMediaProps** ppInput) = 0;
    virtual HRESULT SetInputProps(DWORD dwInputNum, IWMInputMediaProps* pInput) = 0;
    virtual HRESULT BeginWriting() = 0;
    virtual HRESULT EndWriting() = 0;
    virtual HRESULT AllocateSample(DWORD dwSampleSize, INSSBuffer** ppSample) = 0;
    virtual HRESULT WriteSample(DWORD dwInputNum, QWORD cnsSampleTime, DWORD dwFlags, INSSBuffer* pSample) = 0;
    virtual HRESULT Flush() = 0;
};

HRESULT WMCreateProfileManager(IWMProfileManager** ppProfileManager);
HRESULT WMCreateWriter(IUnknown* pUnkCert, IWMWriter** ppWriter);
