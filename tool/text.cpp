#include "commands.h"

#include <cstdio>

int runText(int, char **)
{
    std::fputs("quindle-tool: text is not available yet\n", stderr);
    return 2;
}
