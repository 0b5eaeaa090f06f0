#include "combase.h"

#include "core/text.h"
#include "module/module.h"

#include <new>

namespace {
std::atomic<LONG> g_objects{0};
std::atomic<LONG> g_serverLocks{0};
}

CUnknown::CUnknown(const char*, IUnknown* pUnk)
{
    m_inner.self = this;
    m_pUnknown = pUnk ? pUnk : &m_inner;
    ++g_objects;
}

CUnknown::~CUnknown()
{
    --g_objects;
}

LONG CUnknown::ObjectsActive()
{
    return g_objects.load();
}

HRESULT CUnknown::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown)
        return GetInterface(&m_inner, ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CUnknown::NonDelegatingAddRef()
{
    return static_cast<ULONG>(++m_cRef);
}

ULONG CUnknown::NonDelegatingRelease()
{
    LONG n = --m_cRef;
    if (n == 0) {
        // Guard against releases made by the destructor reaching zero again.
        m_cRef = 1;
        delete this;
        return 0;
    }
    return static_cast<ULONG>(n);
}

HRESULT GetInterface(IUnknown* pUnk, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = pUnk;
    pUnk->AddRef();
    return S_OK;
}

CClassFactory::CClassFactory(const CFactoryTemplate* templ) : m_pTemplate(templ) {}

HRESULT CClassFactory::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IClassFactory)
        return GetInterface(this, ppv);
    return E_NOINTERFACE;
}

ULONG CClassFactory::AddRef()
{
    return static_cast<ULONG>(++m_cRef);
}

ULONG CClassFactory::Release()
{
    LONG n = --m_cRef;
    if (n == 0)
        delete this;
    return static_cast<ULONG>(n);
}

HRESULT CClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter && riid != IID_IUnknown)
        return E_NOINTERFACE; // an outer object may only ask for the inner unknown
    HRESULT hr = S_OK;
    CUnknown* obj = m_pTemplate->m_lpfnNew(pUnkOuter, &hr);
    if (!obj)
        return E_OUTOFMEMORY;
    if (FAILED(hr)) {
        delete obj;
        return hr;
    }
    // Hold the object while asking, so a failed request destroys it.
    obj->NonDelegatingAddRef();
    hr = obj->NonDelegatingQueryInterface(riid, ppv);
    obj->NonDelegatingRelease();
    return hr;
}

HRESULT CClassFactory::LockServer(BOOL fLock)
{
    if (fLock)
        ++g_serverLocks;
    else
        --g_serverLocks;
    return S_OK;
}

bool CClassFactory::IsLocked()
{
    return g_serverLocks.load() > 0;
}

HRESULT ServerGetClassObject(const CFactoryTemplate* templates, int count, REFCLSID rclsid, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory)
        return E_NOINTERFACE;
    for (int i = 0; i < count; ++i) {
        if (*templates[i].m_ClsID != rclsid)
            continue;
        auto* factory = new (std::nothrow) CClassFactory(&templates[i]);
        if (!factory)
            return E_OUTOFMEMORY;
        return GetInterface(factory, ppv);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ServerCanUnloadNow()
{
    return CUnknown::ObjectsActive() == 0 && !CClassFactory::IsLocked() ? S_OK : S_FALSE;
}

HRESULT ServerRegister(const CFactoryTemplate* templates, int count, const void* addressInServer, BOOL bRegister)
{
    const std::string path = GetModulePathOf(addressInServer);
    if (path.empty())
        return E_FAIL;
    ComPtr<IFilterMapper2> mapper;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2, mapper.Out());
    if (FAILED(hr))
        return hr;
    for (int i = 0; i < count && SUCCEEDED(hr); ++i) {
        const CFactoryTemplate& t = templates[i];
        const AMOVIESETUP_FILTER* setup = t.m_pAMovieSetup_Filter;
        if (bRegister) {
            hr = RegisterInprocServer(*t.m_ClsID, Utf16ToUtf8(t.m_Name), path, "Both");
            if (SUCCEEDED(hr) && setup) {
                REGFILTER2 rf2{1, setup->dwMerit, setup->nPins, setup->lpPin};
                hr = mapper->RegisterFilter(*setup->clsID, setup->strName, nullptr, &CLSID_LegacyAmFilterCategory, nullptr, &rf2);
            }
        } else {
            hr = UnregisterInprocServer(*t.m_ClsID);
            if (SUCCEEDED(hr) && setup)
                hr = mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, *setup->clsID);
        }
    }
    return SUCCEEDED(hr) ? S_OK : hr;
}
