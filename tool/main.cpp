#include "commands.h"

#include <cstdio>
#include <cstring>

namespace {

void usage()
{
    std::fputs("usage: quindle-tool dump [--messages|--addresses] FILE\n"
               "       quindle-tool text FILE\n"
               "       quindle-tool send --program-folder DIR --to NAME [--to NAME ...] --subject TEXT\n"
               "                         --body-rtf FILE [--attach PATH ...]\n"
               "       quindle-tool collect --program-folder DIR\n"
               "       quindle-tool check [--json] [--addresses ADDRESSLIST] FOLDER|ADDRESSLIST\n"
               "       quindle-tool address --book FOLDER --name NAME --inbox FOLDER [--comment TEXT] [--server]\n"
               "       quindle-tool settings --program-folder DIR --name NAME --inbox FOLDER --addresses FOLDER\n"
               "                             --data FOLDER\n",
               stderr);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        usage();
        return 2;
    }
    const char *command = argv[1];
    // The command sees its own arguments only.
    const int rest = argc - 2;
    char **args = argv + 2;
    if (std::strcmp(command, "dump") == 0)
        return runDump(rest, args);
    if (std::strcmp(command, "text") == 0)
        return runText(rest, args);
    if (std::strcmp(command, "send") == 0)
        return runSend(rest, args);
    if (std::strcmp(command, "collect") == 0)
        return runCollect(rest, args);
    if (std::strcmp(command, "check") == 0)
        return runCheck(rest, args);
    if (std::strcmp(command, "address") == 0)
        return runAddress(rest, args);
    if (std::strcmp(command, "settings") == 0)
        return runSettings(rest, args);
    usage();
    return 2;
}
