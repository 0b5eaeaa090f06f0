#include "process/process.h"
#include "registry/registry.h"
#include "testkit.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

const char* kKey = "Software\\VELMORA\\Ardo サウンドレコーダー\\PCSndSettings";

TEST(Registry, ValuesPersistAcrossStoresAndIgnoreCase)
{
    testkit::TempDir dir;
    const std::string path = dir / "reg/registry.reg";
    {
        RegistryStore store(path);
        EXPECT_EQ(store.SetString(kKey, "DevName", "ライン \"入力\"\\1\nx"), ERROR_SUCCESS);
        EXPECT_EQ(store.SetDword(kKey, "Sample", 44100), ERROR_SUCCESS);
        EXPECT_EQ(store.SetDword(kKey, "Neg", static_cast<DWORD>(-5)), ERROR_SUCCESS);
    }
    RegistryStore store(path);
    EXPECT_EQ(store.GetString(kKey, "devname").value_or("?"), "ライン \"入力\"\\1\nx");
    EXPECT_EQ(store.GetDword("software\\velmora\\Ardo サウンドレコーダー\\pcsndsettings", "SAMPLE").value_or(0), 44100u);
    EXPECT_FALSE(store.GetString(kKey, "Sample")); // a number is not a string
    EXPECT_FALSE(store.GetDword(kKey, "Missing"));
    EXPECT_TRUE(store.KeyExists("Software\\VELMORA"));
    EXPECT_EQ(store.SubKeys("Software\\VELMORA"), std::vector<std::string>{"Ardo サウンドレコーダー"});

    // The file is readable text.
    const std::string text = testkit::ReadFile(path);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\VELMORA\\Ardo サウンドレコーダー\\PCSndSettings]"), std::string::npos);
    EXPECT_NE(text.find("\"Sample\"=dword:0000ac44"), std::string::npos);

    EXPECT_EQ(store.DeleteKey("Software\\VELMORA"), ERROR_SUCCESS);
    EXPECT_FALSE(store.KeyExists("Software\\VELMORA\\Ardo サウンドレコーダー\\PCSndSettings"));
    EXPECT_EQ(store.DeleteValue(kKey, "Sample"), ERROR_FILE_NOT_FOUND);
}

TEST(Registry, ProfileFunctionsUseTheApplicationKeyAndDefaults)
{
    testkit::TempDir dir;
    RegistryStore store(dir / "r.reg");
    CProfile profile(store, "VELMORA", "Ardo サウンドレコーダー");
    EXPECT_EQ(profile.GetProfileInt("MicSettings", "Channel", 2), 2);
    EXPECT_EQ(profile.GetProfileString("MicSettings", "DevName", "none"), "none");
    EXPECT_TRUE(profile.WriteProfileInt("MicSettings", "CtrlValue", -1));
    EXPECT_TRUE(profile.WriteProfileString("MicSettings", "DevName", "マイク"));
    EXPECT_EQ(profile.GetProfileInt("MicSettings", "CtrlValue", 0), -1);
    EXPECT_EQ(store.GetString("Software\\VELMORA\\Ardo サウンドレコーダー\\MicSettings", "DevName").value_or(""), "マイク");
}

TEST(Registry, TwoProcessesWritingAtOnceLoseNothing)
{
    testkit::TempDir dir;
    const std::string path = dir / "shared.reg";
    testkit::ScopedEnv env("QX_REGISTRY", path);
    constexpr int kCount = 60;
    HPROCESS a = nullptr, b = nullptr;
    const std::string child = std::string("\"") + CHILD_PROGRAM + "\" regwrite ";
    ASSERT_EQ(CreateProcess(child + "A " + std::to_string(kCount), "", SW_HIDE, &a), ERROR_SUCCESS);
    ASSERT_EQ(CreateProcess(child + "B " + std::to_string(kCount), "", SW_HIDE, &b), ERROR_SUCCESS);
    for (HPROCESS p : {a, b}) {
        ASSERT_EQ(WaitForSingleObject(p, 60000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(p, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(p);
    }
    RegistryStore store(path);
    for (const char* prefix : {"A", "B"})
        for (int i = 0; i < kCount; ++i)
            EXPECT_EQ(store.GetDword("Software\\Test\\Shared", prefix + std::to_string(i)), static_cast<DWORD>(i))
                << prefix << i;
}

TEST(Registry, DamagedFileIsSetAsideAndReplacedByDefaults)
{
    testkit::TempDir dir;
    const std::string path = dir / "r.reg";
    const std::string damaged = "[HKEY_CURRENT_USER\\Software\\X]\n\"Sample\"=dword:zz\x01garbage\n";
    testkit::WriteFile(path, damaged);
    RegistryStore store(path);
    EXPECT_FALSE(store.GetDword("Software\\X", "Sample")); // read as missing: the default applies
    EXPECT_EQ(testkit::ReadFile(path + ".damaged"), damaged);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(store.SetDword("Software\\X", "Sample", 8000), ERROR_SUCCESS);
    EXPECT_EQ(RegistryStore(path).GetDword("Software\\X", "Sample").value_or(0), 8000u);
}

TEST(Registry, ChangesByAnotherStoreAreSeen)
{
    testkit::TempDir dir;
    RegistryStore first(dir / "r.reg"), second(dir / "r.reg");
    first.SetDword("K", "v", 1);
    EXPECT_EQ(second.GetDword("K", "v").value_or(0), 1u);
    second.SetDword("K", "v", 2);
    EXPECT_EQ(first.GetDword("K", "v").value_or(0), 2u);
}

} // namespace
