// Claims the recorder's running block like a starting recorder, says so, and
// waits to be killed (the tests kill it to leave the block behind).
#include "app/brisa_record_app.h"

#include <cstdio>
#include <unistd.h>

int main()
{
    CBrisaRecordApp app;
    if (!app.ClaimRunningInstance())
        return 1;
    std::printf("claimed\n");
    std::fflush(stdout);
    for (;;)
        ::pause();
}
