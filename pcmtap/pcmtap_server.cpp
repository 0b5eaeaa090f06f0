// The in-process server of the dump filter: its class object, registration
// data and the entry points the component layer and regsvr call.
#include "pcmtap_uids.h"
#include "sound_dump.h"

#include "module/module.h"

namespace {

const REGPINTYPES kPinTypes = {&MEDIATYPE_NULL, &MEDIASUBTYPE_NULL};

const REGFILTERPINS kPins = {
    u"Input",   // name
    FALSE,      // not rendered
    FALSE,      // not an output
    FALSE,      // zero instances not allowed
    FALSE,      // not many
    &CLSID_NULL,
    u"Output",
    1,
    &kPinTypes,
};

const AMOVIESETUP_FILTER kSetupFilter = {&CLSID_SoundDump, u"sound dump filter", MERIT_DO_NOT_USE, 1, &kPins};

const CFactoryTemplate g_Templates[] = {
    {u"sound dump filter", &CLSID_SoundDump, NSoundDump::CreateInstance, &kSetupFilter},
};
constexpr int g_cTemplates = sizeof g_Templates / sizeof g_Templates[0];

} // namespace

// Loading needs no set-up here; kept as the server's fifth entry point.
QX_EXPORT BOOL DllMain(HMODULE, DWORD, void*)
{
    return TRUE;
}

QX_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    return ServerGetClassObject(g_Templates, g_cTemplates, rclsid, riid, ppv);
}

QX_EXPORT HRESULT DllCanUnloadNow()
{
    return ServerCanUnloadNow();
}

QX_EXPORT HRESULT DllRegisterServer()
{
    return ServerRegister(g_Templates, g_cTemplates, reinterpret_cast<const void*>(&DllRegisterServer), TRUE);
}

QX_EXPORT HRESULT DllUnregisterServer()
{
    return ServerRegister(g_Templates, g_cTemplates, reinterpret_cast<const void*>(&DllRegisterServer), FALSE);
}
