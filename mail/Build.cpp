#include "Build.h"

#include "AddressFile.h"
#include "FileOps.h"
#include "Paths.h"

#include <vector>

namespace {

constexpr char EndOfText = 26; // Ctrl+Z

void writeBodyFile(const std::string &fileName, const QByteArray &rtf)
{
    File file = File::create(fileName);
    file.write(rtf.constData(), std::size_t(rtf.size()));
    file.close();
}

} // namespace

QString createMessageFile(const std::string &programFolder, const TNewView &view, const TAddressData &addresses,
                          TMessageRecord &outgoing, int &MessageReady)
{
    const std::string bodyFile = programFolder + pathFromText(BodyFileTitle);
    writeBodyFile(bodyFile, view.bodyRtf);

    outgoing = TMessageRecord{};
    QString message;
    File file = File::openRead(bodyFile);
    std::vector<char> buffer(64 * 1024);
    char *body = outgoing.bodyData();
    int stored = 0;
    bool done = false;
    while (!done) {
        const std::size_t got = file.readSome(buffer.data(), buffer.size());
        if (got == 0)
            break;
        for (std::size_t i = 0; i < got; ++i) {
            if (buffer[i] == EndOfText) {
                done = true;
                break;
            }
            if (stored == TMessageRecord::BodySize) {
                message = BodyTooLongMessage;
                MessageReady = 0;
                done = true;
                break;
            }
            body[stored++] = buffer[i];
            MessageReady = 1;
        }
    }

    for (int k = 1; k <= TMessageRecord::SlotCount; ++k) {
        const QString &caption = view.toCaptions[std::size_t(k - 1)];
        outgoing.setToName(k, caption);
        if (caption.isEmpty())
            continue;
        // A caption that no entry bears any more leads nowhere: the slot is skipped.
        const int entry = findAddressByName(addresses, caption);
        if (entry >= 0)
            outgoing.setToFolder(k, addresses[std::size_t(entry)].InBox());
    }
    for (int k = 1; k <= TMessageRecord::SlotCount; ++k)
        outgoing.setAttachName(k, view.attachCaptions[std::size_t(k - 1)]);
    outgoing.setFrom(view.yourName);
    outgoing.setSubject(view.subject);
    outgoing.setPlaceholder1(PlaceholderText);
    outgoing.setPlaceholder2(PlaceholderText);
    file.close();
    return message;
}

QString attachmentCaption(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}
