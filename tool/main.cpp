#include "commands.h"

#include <cstdio>
#include <cstring>

namespace {

const char *const UsageText =
    "usage: quindle-tool dump [--messages|--addresses] FILE\n"
    "       quindle-tool text FILE\n"
    "       quindle-tool send --program-folder DIR --to NAME [--to NAME ...] --subject TEXT\n"
    "                         --body-rtf FILE [--attach PATH ...]\n"
    "       quindle-tool collect --program-folder DIR\n"
    "       quindle-tool check [--json] [--addresses ADDRESSLIST] [--program-folder DIR] FOLDER|ADDRESSLIST\n"
    "       quindle-tool check --program-folder DIR --addresses ADDRESSLIST\n"
    "       quindle-tool address --book FOLDER --name NAME --inbox FOLDER [--comment TEXT] [--server]\n"
    "                            [--program-folder DIR]\n"
    "       quindle-tool settings --program-folder DIR --name NAME --inbox FOLDER --addresses FOLDER\n"
    "                             --data FOLDER [--map WINDOWS-FOLDER=LOCAL-FOLDER]\n"
    "       quindle-tool repair FOLDER [--dry-run] [--program-folder DIR]\n"
    "       quindle-tool office init SHARE --group GROUP [--mount MOUNT]\n"
    "       quindle-tool office add SHARE --name NAME --user LOGIN [--mount MOUNT]\n"
    "       quindle-tool office check SHARE\n"
    "       quindle-tool --help\n"
    "       quindle-tool --version\n";

struct Command
{
    const char *name;
    int (*run)(int, char **);
};

const Command Commands[] = {
    {"dump", runDump},       {"text", runText},       {"send", runSend},         {"collect", runCollect},
    {"check", runCheck},     {"address", runAddress}, {"settings", runSettings},
    {"repair", runRepair},   {"office", runOffice},
};

} // namespace

void printUsage(std::FILE *to)
{
    std::fputs(UsageText, to);
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    const char *command = argv[1];
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0 || std::strcmp(command, "help") == 0) {
        printUsage(stdout);
        return 0;
    }
    if (std::strcmp(command, "--version") == 0) {
        std::fputs("quindle-tool " QUINDLE_VERSION "\n", stdout);
        return 0;
    }
    for (const Command &known : Commands) {
        if (std::strcmp(command, known.name) != 0)
            continue;
        // quindle-tool send --help: the usage, as for the tool itself.
        for (int i = 2; i < argc; ++i) {
            if (std::strcmp(argv[i], "--help") == 0) {
                printUsage(stdout);
                return 0;
            }
        }
        // The command sees its own arguments only.
        return known.run(argc - 2, argv + 2);
    }
    std::fprintf(stderr, "quindle-tool: unknown %s %s\n", command[0] == '-' ? "option" : "command", command);
    printUsage(stderr);
    return 2;
}
