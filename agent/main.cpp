// Orv: the update agent, a resident program without a visible window.
#include "orv_app.h"
#include "orv_log.h"

int main()
{
    BindLogLibrary();
    int code = 0;
    {
        COrvApp app;
        if (app.InitInstance())
            code = app.Run();
    }
    FreeLogLibrary();
    return code;
}
