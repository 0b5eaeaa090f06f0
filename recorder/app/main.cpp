// QXRecord: the sound recorder's program.
#include "app/brisa_record_app.h"

int main(int argc, char** argv)
{
    CBrisaRecordApp app;
    return app.Run(argc, argv);
}
