// A profile file ("main.ini", a folder's "Attach.ini") as a colleague or an editor left it.
#include "FuzzFile.h"

#include "ProfileFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string &path = fuzzFile("profile.ini");
    writeFuzzFile(path, data, size);
    const TProfileFile ini(path);

    // The program's own sections and the first few the file names, with a few of each
    // one's keys. Every read goes to the file, so the reads are few.
    QStringList sections{QStringLiteral("Settings"), QStringLiteral("Attachments")};
    for (const QString &line : QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size))
                                   .split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']')) && sections.size() < 5)
            sections << trimmed.mid(1, trimmed.size() - 2);
    }
    for (const QString &section : sections) {
        QStringList keys = ini.ReadKeys(section).mid(0, 4);
        keys << QStringLiteral("Name");
        for (const QString &key : keys) {
            const QString value = ini.ReadString(section, key, QStringLiteral("default"));
            if (value.size() > 2047)
                std::abort(); // callers rely on the limit
            (void)parseProfileInteger(value, -1);
        }
    }
    return 0;
}
