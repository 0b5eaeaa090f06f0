// The subcommands of qxrec, one file each.  Each takes the arguments after
// its own name and returns the exit code: 0 done, 1 failed, 2 usage error.
#pragma once

int RunEncode(int argc, char** argv);
int RunDevices(int argc, char** argv);
int RunRecord(int argc, char** argv);
int RunExtract(int argc, char** argv);
