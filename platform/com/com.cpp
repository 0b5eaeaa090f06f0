#include "com.h"

#include "module/module.h"
#include "registry/registry.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IPersist = {0x0000010C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace {

struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const
    {
        return std::memcmp(&a, &b, sizeof(GUID)) < 0;
    }
};

struct LoadedServer {
    std::string path;
    HMODULE module;
    PFN_DllGetClassObject getClassObject;
};

// Everything the process knows about classes; one lock guards it all.
struct ClassTable {
    std::mutex lock;
    std::map<GUID, IClassFactory*, GuidLess> builtIn; // held for the process's life
    std::vector<LoadedServer> servers;
};

ClassTable& Table()
{
    static ClassTable table;
    return table;
}

// The server of a path, loading it on first use; null with a result on failure.
const LoadedServer* ServerFor(ClassTable& t, const std::string& path, HRESULT& hr)
{
    for (const LoadedServer& s : t.servers)
        if (s.path == path)
            return &s;
    HMODULE h = LoadLibrary(path);
    if (!h) {
        hr = CO_E_DLLNOTFOUND;
        return nullptr;
    }
    auto get = GetProc<PFN_DllGetClassObject>(h, "DllGetClassObject");
    if (!get) {
        FreeLibrary(h);
        hr = CO_E_ERRORINDLL;
        return nullptr;
    }
    t.servers.push_back({path, h, get});
    return &t.servers.back();
}

} // namespace

HRESULT CoInitialize(void*)
{
    return S_OK;
}

void CoUninitialize()
{
}

void* CoTaskMemAlloc(std::size_t size)
{
    return std::malloc(size ? size : 1);
}

void CoTaskMemFree(void* p)
{
    std::free(p);
}

std::string ClassKey(REFCLSID clsid)
{
    return "Software\\Classes\\CLSID\\" + StringFromGUID(clsid);
}

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD clsctx, void*, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!(clsctx & CLSCTX_INPROC))
        return REGDB_E_CLASSNOTREG; // only in-process servers exist here
    ClassTable& t = Table();
    PFN_DllGetClassObject get = nullptr;
    {
        std::lock_guard<std::mutex> guard(t.lock);
        auto it = t.builtIn.find(rclsid);
        if (it != t.builtIn.end())
            return it->second->QueryInterface(riid, ppv);
    }
    // The registry is read outside the table's lock: it may take a file lock.
    std::optional<std::string> path = RegistryStore::User().GetString(ClassKey(rclsid) + "\\InprocServer32", "");
    if (!path || path->empty())
        return REGDB_E_CLASSNOTREG;
    {
        std::lock_guard<std::mutex> guard(t.lock);
        HRESULT hr = S_OK;
        const LoadedServer* server = ServerFor(t, *path, hr);
        if (!server)
            return hr;
        get = server->getClassObject;
    }
    return get(rclsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD clsctx, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter && !IsEqualGUID(riid, IID_IUnknown))
        return CLASS_E_NOAGGREGATION; // an aggregated object hands out only its inner unknown
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(rclsid, clsctx, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr))
        return hr;
    hr = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    return hr;
}

HRESULT CoRegisterClassObject(REFCLSID rclsid, IClassFactory* factory)
{
    if (!factory)
        return E_INVALIDARG;
    ClassTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    factory->AddRef();
    auto [it, added] = t.builtIn.emplace(rclsid, factory);
    if (!added) {
        it->second->Release();
        it->second = factory;
    }
    return S_OK;
}

HRESULT RegisterInprocServer(REFCLSID clsid, const std::string& friendlyName,
    const std::string& serverPath, const std::string& threadingModel)
{
    RegistryStore& reg = RegistryStore::User();
    const std::string key = ClassKey(clsid);
    DWORD err = reg.SetString(key, "", friendlyName);
    if (err == ERROR_SUCCESS)
        err = reg.SetString(key + "\\InprocServer32", "", serverPath);
    if (err == ERROR_SUCCESS)
        err = reg.SetString(key + "\\InprocServer32", "ThreadingModel", threadingModel);
    return err == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(err);
}

HRESULT UnregisterInprocServer(REFCLSID clsid)
{
    RegistryStore& reg = RegistryStore::User();
    const std::string key = ClassKey(clsid);
    if (!reg.KeyExists(key))
        return S_OK; // nothing to remove counts as removed
    DWORD err = reg.DeleteKey(key);
    return err == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(err);
}
