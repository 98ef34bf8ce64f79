#include "commands.h"

#include <cstdio>

namespace {
int notYet(const char *name)
{
    std::fprintf(stderr, "quindle-tool: %s is not available yet\n", name);
    return 2;
}
} // namespace

int runSend(int, char **) { return notYet("send"); }
int runCollect(int, char **) { return notYet("collect"); }
int runCheck(int, char **) { return notYet("check"); }
