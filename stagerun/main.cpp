// Stagerun [/Cmd FILE /Param PARAMS [/ExePath PROGRAM]]: started normally it
// relaunches a temporary copy of itself, so the update that called it may
// replace this file; the copy ("/Exec" stage) runs the command, waits for
// it, then opens the program.
#include "process/process.h"
#include "stage_options.h"
#include "stages.h"

#include <clocale>
#include <cstdio>

int main(int argc, char** argv)
{
    // Console output in the user's locale, so Japanese text shows correctly.
    std::setlocale(LC_ALL, "");
    const std::vector<std::string> args(argv, argv + argc);
    const DWORD result =
        stagerun::IsSecondStage(args) ? stagerun::RunSecondStage(args, stdout) : stagerun::RunFirstStage(args);
    return ExitCodeForMain(result);
}
