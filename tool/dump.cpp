#include "commands.h"

#include <cstdio>

int runDump(int, char **)
{
    std::fputs("quindle-tool: dump is not available yet\n", stderr);
    return 2;
}
