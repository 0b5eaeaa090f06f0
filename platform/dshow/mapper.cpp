// The filter mapper: the registration of filters by category, kept in the
// classes registration as
//   Software\Classes\CLSID\{category}\Instance\{filter}
//     "FriendlyName", "CLSID", "Merit"
//     Pins\<n>: "Name", "Rendered", "Output", "Zero", "Many",
//               "ConnectsToFilter", "ConnectsToPin", Types\<m>: "MajorType", "SubType"
// The graph manager builds playback graphs from the platform's own filters;
// registered filters are recorded for the tools that list them.
#include "combase.h"

#include "core/text.h"
#include "registry/registry.h"

#include <new>
#include <string>

const CLSID CLSID_FilterMapper2 = {0xCDA42200, 0xBD88, 0x11D0, {0xBD, 0x4E, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};

namespace {

std::string InstanceKey(const CLSID& category, const std::string& instance)
{
    return ClassKey(category) + "\\Instance\\" + instance;
}

class CFilterMapper : public CUnknown, public IFilterMapper2 {
public:
    CFilterMapper() : CUnknown("Filter Mapper", nullptr) {}
    DECLARE_IUNKNOWN

    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IFilterMapper2)
            return GetInterface(static_cast<IFilterMapper2*>(this), ppv);
        return CUnknown::NonDelegatingQueryInterface(riid, ppv);
    }

    HRESULT CreateCategory(REFCLSID category, DWORD merit, LPCWSTR description) override
    {
        RegistryStore& reg = RegistryStore::User();
        const std::string key = ClassKey(category);
        DWORD err = reg.SetString(key, "FriendlyName", description ? Utf16ToUtf8(description) : std::string());
        if (err == ERROR_SUCCESS)
            err = reg.SetDword(key, "Merit", merit);
        return HRESULT_FROM_WIN32(err);
    }

    HRESULT UnregisterFilter(const CLSID* category, LPCOLESTR instance, REFCLSID filter) override
    {
        RegistryStore& reg = RegistryStore::User();
        const std::string key = InstanceKey(category ? *category : CLSID_LegacyAmFilterCategory,
            instance ? Utf16ToUtf8(instance) : StringFromGUID(filter));
        if (!reg.KeyExists(key))
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        return HRESULT_FROM_WIN32(reg.DeleteKey(key));
    }

    HRESULT RegisterFilter(REFCLSID filter, LPCWSTR name, void** ppMoniker, const CLSID* category,
        LPCOLESTR instance, const REGFILTER2* rf2) override
    {
        if (!name || !rf2)
            return E_POINTER;
        if (ppMoniker || rf2->dwVersion != 1)
            return E_NOTIMPL;
        RegistryStore& reg = RegistryStore::User();
        const std::string key = InstanceKey(category ? *category : CLSID_LegacyAmFilterCategory,
            instance ? Utf16ToUtf8(instance) : StringFromGUID(filter));
        reg.DeleteKey(key); // a new registration replaces the old one whole
        DWORD err = reg.SetString(key, "FriendlyName", Utf16ToUtf8(name));
        if (err == ERROR_SUCCESS)
            err = reg.SetString(key, "CLSID", StringFromGUID(filter));
        if (err == ERROR_SUCCESS)
            err = reg.SetDword(key, "Merit", rf2->dwMerit);
        for (ULONG i = 0; err == ERROR_SUCCESS && i < rf2->cPins; ++i) {
            const REGFILTERPINS& pin = rf2->rgPins[i];
            const std::string pinKey = key + "\\Pins\\" + std::to_string(i);
            err = reg.SetString(pinKey, "Name", pin.strName ? Utf16ToUtf8(pin.strName) : std::string());
            const std::pair<const char*, BOOL> flags[] = {
                {"Rendered", pin.bRendered}, {"Output", pin.bOutput}, {"Zero", pin.bZero}, {"Many", pin.bMany}};
            for (const auto& [flagName, value] : flags)
                if (err == ERROR_SUCCESS)
                    err = reg.SetDword(pinKey, flagName, value ? 1 : 0);
            if (err == ERROR_SUCCESS)
                err = reg.SetString(pinKey, "ConnectsToFilter",
                    StringFromGUID(pin.clsConnectsToFilter ? *pin.clsConnectsToFilter : GUID_NULL));
            if (err == ERROR_SUCCESS)
                err = reg.SetString(pinKey, "ConnectsToPin", pin.strConnectsToPin ? Utf16ToUtf8(pin.strConnectsToPin) : std::string());
            for (UINT t = 0; err == ERROR_SUCCESS && t < pin.nMediaTypes; ++t) {
                const std::string typeKey = pinKey + "\\Types\\" + std::to_string(t);
                const REGPINTYPES& type = pin.lpMediaType[t];
                err = reg.SetString(typeKey, "MajorType", StringFromGUID(type.clsMajorType ? *type.clsMajorType : GUID_NULL));
                if (err == ERROR_SUCCESS)
                    err = reg.SetString(typeKey, "SubType", StringFromGUID(type.clsMinorType ? *type.clsMinorType : GUID_NULL));
            }
        }
        return HRESULT_FROM_WIN32(err);
    }
};

class CMapperFactory : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IClassFactory)
            return GetInterface(this, ppv);
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; } // lives as long as the module
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        auto* mapper = new (std::nothrow) CFilterMapper;
        if (!mapper)
            return E_OUTOFMEMORY;
        mapper->NonDelegatingAddRef();
        HRESULT hr = mapper->NonDelegatingQueryInterface(riid, ppv);
        mapper->NonDelegatingRelease();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
};

CMapperFactory g_mapperFactory;
const HRESULT g_mapperRegistered = CoRegisterClassObject(CLSID_FilterMapper2, &g_mapperFactory);

} // namespace
