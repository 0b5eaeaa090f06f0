// The component object model as the system uses it: IUnknown with
// aggregation, class objects, task memory, and creation of in-process
// servers by class identifier.
//
// Lookup of a class (CoGetClassObject):
//   1. classes the running module itself provides (CoRegisterClassObject:
//      the platform's own components, such as the filter graph manager);
//   2. the per-user classes registration,
//      HKCU\Software\Classes\CLSID\{...}\InprocServer32 (default value: the
//      server's full path; "ThreadingModel"), whose server is a shared
//      library exporting DllGetClassObject and DllCanUnloadNow.
// A server once loaded stays loaded for the life of the process.
//
// Interfaces use the ordinary C++ vtable layout, so objects cross module
// boundaries as they do on the original platform.  All functions are
// thread-safe; no apartment set-up is needed (CoInitialize is accepted for
// callers that make it).
#pragma once

#include "guid.h"

#include <cstddef>
#include <string>
#include <utility>

#define STDMETHODCALLTYPE
#define STDMETHOD(name) virtual HRESULT STDMETHODCALLTYPE name
#define STDMETHOD_(type, name) virtual type STDMETHODCALLTYPE name

using WCHAR = char16_t;
using OLECHAR = WCHAR;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;

// COM results (winerror.h).
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CO_E_DLLNOTFOUND = static_cast<HRESULT>(0x800401F8u);
constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9u);
constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);

enum : DWORD {
    CLSCTX_INPROC_SERVER = 0x1,
    CLSCTX_INPROC_HANDLER = 0x2,
    CLSCTX_LOCAL_SERVER = 0x4,
    CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
    CLSCTX_ALL = CLSCTX_INPROC | CLSCTX_LOCAL_SERVER,
};

extern const IID IID_IUnknown;
extern const IID IID_IClassFactory;
extern const IID IID_IPersist;

struct IUnknown {
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) = 0;
    STDMETHOD_(ULONG, AddRef)() = 0;
    STDMETHOD_(ULONG, Release)() = 0;

protected:
    ~IUnknown() = default; // objects go by Release, never by delete through an interface
};

struct IClassFactory : IUnknown {
    // With pUnkOuter the new object is aggregated, and riid must be IID_IUnknown.
    STDMETHOD(CreateInstance)(IUnknown* pUnkOuter, REFIID riid, void** ppv) = 0;
    STDMETHOD(LockServer)(BOOL fLock) = 0;
};

struct IPersist : IUnknown {
    STDMETHOD(GetClassID)(CLSID* pClassID) = 0;
};

// Server entry points, as exported by an in-process server.
using PFN_DllGetClassObject = HRESULT (*)(REFCLSID, REFIID, void**);
using PFN_DllCanUnloadNow = HRESULT (*)();
using PFN_DllRegisterServer = HRESULT (*)();

HRESULT CoInitialize(void* reserved);
void CoUninitialize();

// Memory that crosses module boundaries (names, media types): one heap for all.
void* CoTaskMemAlloc(std::size_t size);
void CoTaskMemFree(void* p);

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD clsctx, void* reserved, REFIID riid, void** ppv);
// REGDB_E_CLASSNOTREG when nothing provides the class, CO_E_DLLNOTFOUND when
// the registered server cannot be loaded, CO_E_ERRORINDLL when it lacks the
// entry point; otherwise the class object's answer.
HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD clsctx, REFIID riid, void** ppv);

// Makes a class of the running module creatable by identifier (the class
// object is held for the life of the process).  Returns S_OK, or E_INVALIDARG
// without a factory.
HRESULT CoRegisterClassObject(REFCLSID rclsid, IClassFactory* factory);

// The classes registration of one in-process server, as DllRegisterServer
// writes it: "Software\Classes\CLSID\{...}" with the friendly name as default
// value and "InprocServer32" holding the path and "ThreadingModel".
// Results are HRESULTs.
HRESULT RegisterInprocServer(REFCLSID clsid, const std::string& friendlyName,
    const std::string& serverPath, const std::string& threadingModel);
HRESULT UnregisterInprocServer(REFCLSID clsid);
// The registry key of a class below HKEY_CURRENT_USER.
std::string ClassKey(REFCLSID clsid);

// Holds one reference; releases it when it goes.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(T* p) : m_p(p) { if (m_p) m_p->AddRef(); }
    ComPtr(const ComPtr& o) : ComPtr(o.m_p) {}
    ComPtr(ComPtr&& o) noexcept : m_p(o.m_p) { o.m_p = nullptr; }
    ~ComPtr() { Reset(); }
    ComPtr& operator=(ComPtr o) noexcept { std::swap(m_p, o.m_p); return *this; }
    void Reset() { if (m_p) { T* p = m_p; m_p = nullptr; p->Release(); } }
    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out-parameters that hand over a reference.
    T** operator&() { Reset(); return &m_p; }
    void** Out() { Reset(); return reinterpret_cast<void**>(&m_p); }
    T* Detach() { T* p = m_p; m_p = nullptr; return p; }

private:
    T* m_p = nullptr;
};
