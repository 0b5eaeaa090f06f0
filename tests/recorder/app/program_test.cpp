// The QXRecord program itself, started as the maker's tools start it.
#include "app/running_claim.h"
#include "process/process.h"
#include "registry/registry.h"
#include "testkit.h"

#include <gtest/gtest.h>

namespace {

TEST(QXRecordProgram, InternalLaunchRegistersSavesAndEndsByItself)
{
    testkit::TempDir dir;
    testkit::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.Path());
    testkit::ScopedEnv registry("QX_REGISTRY", dir / "registry.reg");
    testkit::ScopedEnv locale("LC_ALL", "C"); // the launch word skips the locale check
    testkit::ScopedEnv qpa("QT_QPA_PLATFORM", "offscreen");

    HPROCESS p = nullptr;
    ASSERT_EQ(CreateProcess(std::string("\"") + QX_BIN_DIR + "/QXRecord\" INTERNAL", "", SW_SHOW, &p), ERROR_SUCCESS);
    ASSERT_EQ(WaitForSingleObject(p, 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(p, &code);
    CloseHandle(p);
    EXPECT_EQ(code, 0u);

    RegistryStore store(dir / "registry.reg");
    const std::string root = "Software\\VELMORA\\Ardo サウンドレコーダー\\";
    for (const char* section : {"PCSndSettings", "MicSettings", "UserSndSettings"})
        EXPECT_EQ(store.GetDword(root + section, "Sample").value_or(0), 44100u) << section;
    EXPECT_EQ(store.GetString("Software\\Classes\\ZDA.Document", "").value_or(""), "ZDA Document");
    // The claim went with the program.
    SharedMemBlock block;
    EXPECT_FALSE(OpenSharedBlock(RECORDER_BLOCK_NAME, block));
}

} // namespace
