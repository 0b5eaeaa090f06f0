// Object machinery shared by the media-graph components: reference-counted
// objects that can be aggregated (CUnknown), locks, and the class objects
// and entry points of an in-process server.
//
// Aggregation: every CUnknown has an inner unknown that answers for the
// object itself.  Its public interfaces (DECLARE_IUNKNOWN) delegate to the
// owner: the outer object when aggregated, else the inner unknown.
#pragma once

#include "dshow.h"

#include <atomic>
#include <mutex>

// Non-delegating unknown: the object's own identity and reference count.
struct INonDelegatingUnknown {
    virtual HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG NonDelegatingAddRef() = 0;
    virtual ULONG NonDelegatingRelease() = 0;

protected:
    ~INonDelegatingUnknown() = default;
};

class CUnknown : public INonDelegatingUnknown {
public:
    // pUnk: the outer unknown when aggregated, else null.
    CUnknown(const char* name, IUnknown* pUnk);
    virtual ~CUnknown();
    CUnknown(const CUnknown&) = delete;
    CUnknown& operator=(const CUnknown&) = delete;

    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    ULONG NonDelegatingAddRef() override;
    ULONG NonDelegatingRelease() override; // deletes the object at zero

    IUnknown* GetOwner() const { return m_pUnknown; }
    // The inner unknown, as handed to an aggregating object.
    IUnknown* GetInner() { return &m_inner; }

    // Live objects of this module, for DllCanUnloadNow.
    static LONG ObjectsActive();

protected:
    std::atomic<LONG> m_cRef{0};

private:
    struct Inner : IUnknown {
        CUnknown* self;
        HRESULT QueryInterface(REFIID riid, void** ppv) override { return self->NonDelegatingQueryInterface(riid, ppv); }
        ULONG AddRef() override { return self->NonDelegatingAddRef(); }
        ULONG Release() override { return self->NonDelegatingRelease(); }
    } m_inner;
    IUnknown* m_pUnknown;
};

// Hands out an interface with a reference added.
HRESULT GetInterface(IUnknown* pUnk, void** ppv);

#define DECLARE_IUNKNOWN                                                                                      \
    HRESULT QueryInterface(REFIID riid, void** ppv) override { return GetOwner()->QueryInterface(riid, ppv); } \
    ULONG AddRef() override { return GetOwner()->AddRef(); }                                                  \
    ULONG Release() override { return GetOwner()->Release(); }

// The IUnknown side of a small object that answers IUnknown and the one
// interface I (the enumerators).  The object goes at its last Release.
template <class I, const IID& iid> class CSingleInterface : public I {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == iid)
            return GetInterface(this, ppv);
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++m_cRef); }
    ULONG Release() override
    {
        LONG n = --m_cRef;
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }

protected:
    virtual ~CSingleInterface() = default;

private:
    std::atomic<LONG> m_cRef{0};
};

// A critical section: a recursive lock.
class CCritSec {
public:
    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};

class CAutoLock {
public:
    explicit CAutoLock(CCritSec* cs) : m_cs(cs) { m_cs->Lock(); }
    ~CAutoLock() { m_cs->Unlock(); }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

private:
    CCritSec* m_cs;
};

// Registration data of one filter class: the pins are those of REGFILTER2.
struct AMOVIESETUP_FILTER {
    const CLSID* clsID;
    LPCWSTR strName;
    DWORD dwMerit;
    UINT nPins;
    const REGFILTERPINS* lpPin;
};

// One creatable class of a server.
struct CFactoryTemplate {
    LPCWSTR m_Name;
    const CLSID* m_ClsID;
    CUnknown* (*m_lpfnNew)(IUnknown* pUnkOuter, HRESULT* phr);
    const AMOVIESETUP_FILTER* m_pAMovieSetup_Filter; // null for classes that are not filters
};

// The class object of one template: CreateInstance makes the object
// (aggregated when an outer unknown is given) and answers E_OUTOFMEMORY when
// it cannot be made.
class CClassFactory : public IClassFactory {
public:
    explicit CClassFactory(const CFactoryTemplate* templ);
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    HRESULT LockServer(BOOL fLock) override;

    // Server locks and live objects both keep a server loaded.
    static bool IsLocked();

private:
    virtual ~CClassFactory() = default;
    std::atomic<LONG> m_cRef{0};
    const CFactoryTemplate* m_pTemplate;
};

// The bodies of a server's entry points over its templates.
HRESULT ServerGetClassObject(const CFactoryTemplate* templates, int count, REFCLSID rclsid, REFIID riid, void** ppv);
HRESULT ServerCanUnloadNow();
// Registers (or removes) every template's COM class with the server's own
// path and the threading model "Both", and each filter with the filter
// mapper.  Returns the first failing result or S_OK.
HRESULT ServerRegister(const CFactoryTemplate* templates, int count, const void* addressInServer, BOOL bRegister);
