#include "commands.h"

#include "IoError.h"
#include "MessageRecord.h"
#include "RecordFile.h"
#include "RtfBody.h"

#include <QFile>

#include <cstdio>
#include <string>

namespace {

void print(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, std::size_t(utf8.size()), stdout);
}

QString bodyText(QByteArrayView rtf)
{
    return rtf::terminalText(rtf::parse(rtf));
}

bool isRecordFile(const std::string &path)
{
    const QString name = QString::fromStdString(path).toLower();
    return name.endsWith(QStringLiteral(".qdm")) || name.endsWith(QStringLiteral(".qdi"));
}

int printRecords(const std::string &path)
{
    const MessageFileContents contents = readMessageFile(path);
    bool first = true;
    for (std::size_t i = 0; i < contents.records.size(); ++i) {
        const TMessageRecord &record = contents.records[i];
        if (record.isEmpty())
            continue;
        if (!first)
            print(QStringLiteral("\n"));
        first = false;
        print(QStringLiteral("--- record %1 ---\nFrom: %2\nSubject: %3\n\n")
                  .arg(i)
                  .arg(record.From(), record.Subject()));
        print(bodyText(record.Body()));
    }
    if (contents.trailingBytes > 0)
        std::fprintf(stderr, "quindle-tool: %s: %lld bytes after the last whole record ignored\n",
                     path.c_str(), static_cast<long long>(contents.trailingBytes));
    return 0;
}

int printRtfFile(const std::string &path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "quindle-tool: %s: %s\n", path.c_str(), file.errorString().toLocal8Bit().constData());
        return 1;
    }
    print(bodyText(file.readAll()));
    return 0;
}

} // namespace

int runText(int argc, char **argv)
{
    if (argc != 1 || (argv[0][0] == '-' && argv[0][1] != '\0')) {
        std::fputs("usage: quindle-tool text FILE\n"
                   "  FILE is an RTF body, a drop file (.qdm) or an inbox datafile (.qdi)\n",
                   stderr);
        return 2;
    }
    const std::string path = argv[0];

    try {
        return isRecordFile(path) ? printRecords(path) : printRtfFile(path);
    } catch (const IoError &error) {
        std::fprintf(stderr, "quindle-tool: %s: %s\n", path.c_str(), error.what());
        return 1;
    }
}
