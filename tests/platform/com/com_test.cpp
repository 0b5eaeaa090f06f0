// The component layer: identifiers, class lookup through the classes
// registration, regsvr, and aggregation, with the real Pcmtap server.
#include "media_kit.h"
#include "testkit.h"

#include "com/com.h"
#include "dshow/dshow.h"
#include "module/module.h"
#include "registry/registry.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// {6FCF00BB-35B9-4186-8A27-8587CD0A3F8C}
const CLSID kDump = {0x6FCF00BB, 0x35B9, 0x4186, {0x8A, 0x27, 0x85, 0x87, 0xCD, 0x0A, 0x3F, 0x8C}};

class PrivateRegistry : public ::testing::Environment {
public:
    void SetUp() override { ::setenv("QX_REGISTRY", (m_dir / "registry.reg").c_str(), 1); }
    testkit::TempDir m_dir;
};
const auto* const g_env = ::testing::AddGlobalTestEnvironment(new PrivateRegistry);

int Regsvr(std::vector<std::string> args)
{
    args.insert(args.begin(), QX_BIN_DIR "/regsvr");
    return mediakit::Run(args);
}

TEST(Com, GuidRegistryForm)
{
    EXPECT_EQ(StringFromGUID(kDump), "{6FCF00BB-35B9-4186-8A27-8587CD0A3F8C}");
    const BYTE stored[16] = {0xbb, 0x00, 0xcf, 0x6f, 0xb9, 0x35, 0x86, 0x41, 0x8a, 0x27, 0x85, 0x87, 0xcd, 0x0a, 0x3f, 0x8c};
    EXPECT_EQ(std::memcmp(&kDump, stored, 16), 0); // little-endian, as stored on disk
    EXPECT_EQ(GUIDFromString("{6fcf00bb-35b9-4186-8a27-8587cd0a3f8c}"), kDump);
    for (const char* bad : {"", "6FCF00BB-35B9-4186-8A27-8587CD0A3F8C", "{6FCF00BB-35B9-4186-8A27-8587CD0A3F8G}",
             "{6FCF00BB+35B9-4186-8A27-8587CD0A3F8C}", "{6FCF00BB-35B9-4186-8A27-8587CD0A3F8C}x"})
        EXPECT_FALSE(GUIDFromString(bad)) << bad;
}

TEST(Com, CreationFollowsTheRegistration)
{
    IUnknown* unk = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(CoCreateInstance(kDump, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&unk)), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(unk, nullptr);

    EXPECT_EQ(Regsvr({PCMTAP_LIBRARY}), 0);
    ASSERT_EQ(CoCreateInstance(kDump, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, reinterpret_cast<void**>(&unk)), S_OK);
    unk->Release();
    EXPECT_EQ(CoCreateInstance(kDump, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, reinterpret_cast<void**>(&unk)), REGDB_E_CLASSNOTREG);

    EXPECT_EQ(Regsvr({"-u", PCMTAP_LIBRARY}), 0);
    EXPECT_FALSE(RegistryStore::User().KeyExists(ClassKey(kDump)));
    EXPECT_EQ(CoCreateInstance(kDump, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&unk)), REGDB_E_CLASSNOTREG);

    // A registration whose library is gone fails cleanly.
    testkit::TempDir dir;
    ASSERT_EQ(RegisterInprocServer(kDump, "sound dump filter", dir / "libGone.so", "Both"), S_OK);
    EXPECT_EQ(CoCreateInstance(kDump, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&unk)), CO_E_DLLNOTFOUND);
    EXPECT_EQ(UnregisterInprocServer(kDump), S_OK);
}

TEST(Com, RegsvrExitCodes)
{
    testkit::TempDir dir;
    testkit::WriteFile(dir / "libNotAServer.so", "not a library");
    EXPECT_EQ(Regsvr({}), 1);
    EXPECT_EQ(Regsvr({"-u"}), 1);
    EXPECT_EQ(Regsvr({PCMTAP_LIBRARY, "extra"}), 1);
    EXPECT_EQ(Regsvr({dir / "libNotAServer.so"}), 3);
    EXPECT_EQ(Regsvr({dir / "missing.dll"}), 3);
    EXPECT_EQ(Regsvr({"libc.so.6"}), 4); // a library, but not a server
}

// An outer object that aggregates the dump filter and counts its own references.
struct Outer : IUnknown {
    std::atomic<ULONG> refs{1};
    IUnknown* inner = nullptr;
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(riid, ppv);
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
};

TEST(Com, AggregatedObjectsDelegateToTheirOuterUnknown)
{
    ASSERT_EQ(Regsvr({PCMTAP_LIBRARY}), 0);
    Outer outer;
    IBaseFilter* direct = nullptr;
    EXPECT_EQ(CoCreateInstance(kDump, &outer, CLSCTX_INPROC_SERVER, IID_IBaseFilter, reinterpret_cast<void**>(&direct)), CLASS_E_NOAGGREGATION);
    ASSERT_EQ(CoCreateInstance(kDump, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);

    IBaseFilter* filter = nullptr;
    ASSERT_EQ(outer.QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter)), S_OK);
    EXPECT_EQ(outer.refs, 2u); // the interface's reference went to the outer object
    IUnknown* identity = nullptr;
    ASSERT_EQ(filter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, &outer); // its identity is the outer object's
    identity->Release();
    filter->Release();
    EXPECT_EQ(outer.refs, 1u);
    EXPECT_EQ(outer.inner->Release(), 0u); // the inner unknown owns the object's life
}

TEST(Com, ServerCanUnloadOnlyWithoutLiveObjects)
{
    ASSERT_EQ(Regsvr({PCMTAP_LIBRARY}), 0);
    HMODULE server = LoadLibrary(PCMTAP_LIBRARY); // the same loaded instance creation uses
    auto canUnload = GetProc<PFN_DllCanUnloadNow>(server, "DllCanUnloadNow");
    ASSERT_TRUE(canUnload);
    EXPECT_EQ(canUnload(), S_OK);
    IUnknown* unk = nullptr;
    ASSERT_EQ(CoCreateInstance(kDump, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&unk)), S_OK);
    EXPECT_EQ(canUnload(), S_FALSE);
    unk->Release();
    EXPECT_EQ(canUnload(), S_OK);
    FreeLibrary(server);
}

} // namespace
