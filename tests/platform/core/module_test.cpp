#include "module/module.h"
#include "testkit.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

TEST(Module, NameRule)
{
    EXPECT_EQ(ModuleFileName("lame_enc.dll"), "liblame_enc.so");
    EXPECT_EQ(ModuleFileName("QzLog.DLL"), "libQzLog.so");
    EXPECT_EQ(ModuleFileName("/opt/x/Fetchkit.dll"), "/opt/x/libFetchkit.so");
    EXPECT_EQ(ModuleFileName("OrvView.exe"), "OrvView");
    EXPECT_EQ(ModuleFileName("libm.so.6"), "libm.so.6");
}

TEST(Module, OwnPath)
{
    EXPECT_TRUE(GetModuleFileName().ends_with("/platform_tests"));
    EXPECT_EQ(GetProgramFolder() + "/platform_tests", GetModuleFileName());
}

TEST(Module, LoadsByPathAndFindsExports)
{
    // The probe library is named libqxprobe.so, so "qxprobe.dll" reaches it.
    const std::string dir = std::filesystem::path(PROBE_LIBRARY).parent_path().string();
    HMODULE h = LoadLibrary(dir + "/qxprobe.dll");
    ASSERT_NE(h, nullptr);
    auto answer = GetProc<int (*)()>(h, "ProbeAnswer");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    auto seven = reinterpret_cast<int (*)()>(GetProcAddressOrdinal(h, 7));
    ASSERT_NE(seven, nullptr);
    EXPECT_EQ(seven(), 7);
    EXPECT_EQ(GetProcAddressOrdinal(h, 3), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(std::string(GetProc<const char* (*)()>(h, "ProbeOwnPath")()), std::filesystem::canonical(PROBE_LIBRARY).string());
    EXPECT_TRUE(FreeLibrary(h));
}

TEST(Module, MissingLibraryFailsCleanly)
{
    EXPECT_EQ(LoadLibrary("no_such_library_qx.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_FALSE(FreeLibrary(nullptr));
}

} // namespace
