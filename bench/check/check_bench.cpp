// The administrator's check of one folder whose Attach.ini a colleague filled with 350,000
// keys (3.9 MB, just under what Quindle reads), and a few drop files: check must take time
// linear in the file. The baseline reads the file whole and splits it into lines and keys,
// the least any check must do.

#include "compare.h"

#include "FolderCheck.h"
#include "MessageRecord.h"

#include <QTemporaryDir>

#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>

int main(int argc, char **argv)
{
    const int keys = argc > 1 ? std::atoi(argv[1]) : 350000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    {
        std::string ini = "[attachments]\r\n";
        ini.reserve(std::size_t(keys) * 12);
        for (int k = 0; k < keys; ++k)
            ini += "k" + std::to_string(k) + "=1\r\n";
        std::ofstream(folder + "Attach.ini", std::ios::binary) << ini;
        TMessageRecord record;
        record.setFrom(u"Carl");
        record.setAttachName(1, u"k7");
        for (int n = 1; n <= 3; ++n)
            std::ofstream(folder + "Ann" + std::to_string(n) + ".qdm", std::ios::binary)
                .write(record.bytes.data(), record.bytes.size());
    }
    std::printf("Attach.ini of %d keys, %lld bytes; load %s\n", keys,
                static_cast<long long>(std::ifstream(folder + "Attach.ini", std::ios::ate | std::ios::binary).tellg()),
                bench::loadAverage().c_str());
    std::size_t found = 0;
    bench::compare(
        "check of the folder", rounds, [] {},
        [&] { found = checkFolder(folder).entries.size(); },
        [&] {
            std::ifstream in(folder + "Attach.ini", std::ios::binary);
            const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            std::unordered_set<std::string_view> seen;
            for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
                const std::string_view line(text.data() + at, end - at);
                seen.insert(line.substr(0, line.find('=')));
            }
            found = seen.size();
        });
    std::printf("entries found: %zu\n", found);
    return 0;
}
