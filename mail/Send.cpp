#include "Send.h"

#include "AddressFile.h"
#include "CopyProgress.h"
#include "DropFiles.h"
#include "FileOps.h"
#include "Paths.h"

#include <vector>

namespace {

class Sender
{
public:
    Sender(const TMessageRecord &outgoing, const TSlotTexts &attachPaths, const TAddressData &addresses,
           const MailCallbacks &callbacks)
        : m_outgoing(outgoing)
        , m_attachPaths(attachPaths)
        , m_addresses(addresses)
        , m_callbacks(callbacks)
    {
    }

    SendReport run()
    {
        for (int k = 1; k <= TMessageRecord::SlotCount; ++k)
            slot(k);
        return m_report;
    }

private:
    void slot(int k)
    {
        const QString recipient = m_outgoing.ToName(k);
        const std::string folder = pathFromText(m_outgoing.ToFolder(k));
        if (folder.empty())
            return;
        if (folderExists(folder)) {
            attachments([&](const auto &copy) { copy(folder); });
            m_callbacks.pump();
            WriteDropFile(folder, recipient, m_outgoing);
            ++m_report.dropFiles;
            return;
        }
        attachments([&](const auto &copy) {
            for (int index : serverEntries(m_addresses)) {
                const std::string server = serverFolder(index);
                if (!server.empty())
                    copy(server);
            }
        });
        for (std::size_t index = 0; index < m_addresses.size(); ++index) {
            m_callbacks.pump();
            if (m_addresses[index].Server() != 1)
                continue;
            const std::string server = serverFolder(int(index));
            if (server.empty())
                continue;
            WriteDropFile(server, recipient, m_outgoing);
            ++m_report.dropFiles;
        }
    }

    std::string serverFolder(int index) const
    {
        const std::string folder = pathFromText(m_addresses[std::size_t(index)].InBox());
        return folderExists(folder) ? folder : std::string();
    }

    // Runs each attachment slot whose source exists through destinations(copyInto).
    template<class Destinations>
    void attachments(const Destinations &destinations)
    {
        for (int j = 1; j <= TMessageRecord::SlotCount; ++j) {
            const std::string source = pathFromText(m_attachPaths[std::size_t(j - 1)]);
            const QString name = m_outgoing.AttachName(j);
            if (!fileExists(source) || !isPlainFileName(name))
                continue;
            destinations([&](const std::string &folder) { copyAttachment(source, folder, name); });
        }
    }

    void copyAttachment(const std::string &source, const std::string &folder, const QString &name)
    {
        // A collector taking an older message with this attachment waits until the copy
        // is counted, so it never deletes the file this message brings.
        const AttachmentLock lock(folder);
        copyWithProgress(source, folder, name, m_callbacks, true);
        CountAttachment(lock, name);
        m_callbacks.hide();
        ++m_report.attachmentCopies;
    }

    const TMessageRecord &m_outgoing;
    const TSlotTexts &m_attachPaths;
    const TAddressData &m_addresses;
    const MailCallbacks &m_callbacks;
    SendReport m_report;
};

} // namespace

SendReport sendMessage(const TMessageRecord &outgoing, const TSlotTexts &AttachPaths, const TAddressData &addresses,
                       const MailCallbacks &callbacks)
{
    MailRunGuard guard;
    if (!guard.acquired())
        return SendReport{MailOutcome::Refused};
    return Sender(outgoing, AttachPaths, addresses, callbacks).run();
}

SendCommandReport sendCommand(const std::string &programFolder, const TNewView &view, const TSlotTexts &AttachPaths,
                              const TAddressData &addresses, TMessageRecord &outgoing, int &MessageReady,
                              const MailCallbacks &callbacks)
{
    SendCommandReport report;
    MailRunGuard guard;
    if (!guard.acquired()) {
        report.outcome = MailOutcome::Refused;
        return report;
    }
    // A record with an empty From lands in a slot that counts as free, where the next
    // message collected overwrites it: the message would be lost.
    if (view.yourName.isEmpty()) {
        report.outcome = MailOutcome::SettingsIncomplete;
        return report;
    }
    report.message = createMessageFile(programFolder, view, addresses, outgoing, MessageReady);
    if (MessageReady != 1)
        return report;
    report.sent = Sender(outgoing, AttachPaths, addresses, callbacks).run();
    report.message = MessagesSentMessage;
    return report;
}
