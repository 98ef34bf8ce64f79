#include "Build.h"

#include "AddressFile.h"
#include "DropFiles.h"
#include "FileOps.h"
#include "IoError.h"
#include "PrivateFiles.h"
#include "Paths.h"

#include <vector>

namespace {

constexpr char EndOfText = 26; // Ctrl+Z

// The failure of a body file operation, naming the file the user knows of.
[[noreturn]] void raiseBodyFileError(const IoError &error, const std::string &fileName, const char *what)
{
    throw IoError(error.code(), "Unable to " + std::string(what) + " " + fileName + ": " + error.what());
}

} // namespace

QString createMessageFile(const std::string &programFolder, const TNewView &view, const TAddressData &addresses,
                          TMessageRecord &outgoing, int &MessageReady)
{
    const std::string bodyFile = programFolder + pathFromText(BodyFileTitle);
    std::string ownFile;
    File file;
    // Held for the whole build: a folder swapped meanwhile sends the body nowhere else.
    Folder program;
    try {
        program = Folder::open(programFolder);
        file = program.createUnique("tmprtf-", ".tmp", ownFile);
        // The body of the message sent last stays in the program folder: the user's alone.
        file.setPermissions(PrivateFileMode);
    } catch (const IoError &error) {
        raiseBodyFileError(error, bodyFile, "create");
    }
    try {
        file.write(view.bodyRtf.constData(), std::size_t(view.bodyRtf.size()));
        file.close();
        file = program.openPlainRead(ownFile);
    } catch (const IoError &error) {
        file = File();
        program.remove(ownFile);
        raiseBodyFileError(error, program.pathOf(ownFile), "write");
    }

    outgoing = TMessageRecord{};
    const int readyBefore = MessageReady;
    QString message;
    std::vector<char> buffer(64 * 1024);
    char *body = outgoing.bodyData();
    int stored = 0;
    bool done = false;
    while (!done) {
        std::size_t got = 0;
        try {
            got = file.readSome(buffer.data(), buffer.size());
        } catch (const IoError &error) {
            file = File();
            program.remove(ownFile);
            raiseBodyFileError(error, program.pathOf(ownFile), "read");
        }
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
    // The name every copy will place the file under: one that is plain in every folder.
    for (int k = 1; k <= TMessageRecord::SlotCount; ++k) {
        const QString &caption = view.attachCaptions[std::size_t(k - 1)];
        outgoing.setAttachName(k, caption.isEmpty() ? caption : plainAttachmentName(caption));
    }
    outgoing.setFrom(view.yourName);
    outgoing.setSubject(view.subject);
    outgoing.setPlaceholder1(PlaceholderText);
    outgoing.setPlaceholder2(PlaceholderText);
    file = File();
    try {
        program.renameReplace(ownFile, pathFromText(BodyFileTitle));
    } catch (const IoError &error) {
        program.remove(ownFile);
        MessageReady = readyBefore;
        raiseBodyFileError(error, bodyFile, "replace");
    }
    return message;
}

QString attachmentCaption(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}
