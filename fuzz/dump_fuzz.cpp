// A drop file, an inbox datafile or an address list as `quindle-tool dump` reads it: whole
// records decoded field by field, and the piece after the last whole record.
#include "FuzzFile.h"
#include "commands.h"

#include "MessageRecord.h"
#include "RecordFile.h"

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The dump goes to standard output; libFuzzer reports on standard error.
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string &path = fuzzFile("records");
    writeFuzzFile(path, data, size);
    for (const char *kind : {"--messages", "--addresses"}) {
        char *argv[] = {const_cast<char *>(kind), const_cast<char *>(path.c_str())};
        if (runDump(2, argv) != 0)
            std::abort(); // a readable file of any content dumps
    }
    // The InBox list and the reader show the attachment names this way.
    for (const TMessageRecord &record : readMessageFile(path).records)
        (void)attachmentListText(record);
    return 0;
}
