#include "Collect.h"

#include "CopyProgress.h"
#include "DropFiles.h"
#include "FileOps.h"
#include "Paths.h"
#include "SettingsCheck.h"
#include "AddressFile.h"
#include "Settings.h"

#include <filesystem>
#include <vector>

namespace {

// A flush costs a round trip to the disk or the share, so the records of up to 64 drop files
// share one; that is 1.2 MiB, well within the 4 MiB one flush should carry.
constexpr std::size_t GroupMessages = 64;
static_assert(GroupMessages * TMessageRecord::Size <= 4 * 1024 * 1024);

class Collector
{
public:
    Collector(const TSettings &view, const std::string &inboxFileName, TInboxData &inbox,
              TMessageRecord &incoming, const TAddressData &addresses, const MailCallbacks &callbacks)
        : m_name(view.Name)
        , m_ownFolder(pathFromText(view.MyDest))
        , m_inbox(inbox)
        , m_incoming(incoming)
        , m_addresses(addresses)
        , m_callbacks(callbacks)
        // The datafile must exist (start-up creates it); a missing one ends the run before
        // any drop file is read.
        , m_datafile(File::openReadWrite(inboxFileName))
    {
    }

    int collected() const { return m_collected; }

    void ownFolder()
    {
        m_slot = 0;
        inGroups([&] {
            for (int n = 1;; ++n) {
                const std::string drop = DropFileName(m_ownFolder, m_name, n);
                if (!fileExists(drop))
                    break;
                take(drop);
                // The attachments are already in place here; only their keys go. Forgetting a
                // key before the flush is safe: a crash leaves the drop file, and the key is
                // forgotten again when it is collected again.
                for (int k = 1; k <= TMessageRecord::SlotCount; ++k) {
                    const QString attach = m_incoming.AttachName(k);
                    if (!attach.isEmpty() && isPlainFileName(attach))
                        ForgetAttachment(m_ownFolder, attach);
                }
            }
        });
    }

    void serverFolders()
    {
        m_slot = 0;
        for (int index : serverEntries(m_addresses)) {
            const std::string server = pathFromText(m_addresses[std::size_t(index)].InBox());
            if (!folderExists(server))
                continue;
            inGroups([&] {
                for (int n = 1;; ++n) {
                    const std::string drop = DropFileName(server, m_name, n);
                    if (!fileExists(drop))
                        break;
                    m_callbacks.pump();
                    take(drop);
                    // Copying and uncounting cannot be undone, so they wait until the message is
                    // flushed and its drop file gone: a crash never collects them twice.
                    if (hasCopiedAttachments(m_incoming)) {
                        settle();
                        for (int k = 1; k <= TMessageRecord::SlotCount; ++k) {
                            const QString attach = m_incoming.AttachName(k);
                            if (!attach.isEmpty())
                                collectAttachment(server, attach);
                        }
                    }
                }
            });
        }
    }

    void finish() { m_datafile.close(); }

private:
    // Runs the collection of one folder and settles its last group. When an error ends it,
    // what was written is still flushed and only then are those drop files deleted; a drop
    // file whose record may not be on the disk is never deleted.
    template<class Work>
    void inGroups(Work &&work)
    {
        try {
            work();
            settle();
        } catch (...) {
            try {
                settle();
            } catch (...) {
            }
            throw;
        }
    }

    static bool hasCopiedAttachments(const TMessageRecord &record)
    {
        for (int k = 1; k <= TMessageRecord::SlotCount; ++k) {
            const QString attach = record.AttachName(k);
            if (!attach.isEmpty() && isPlainFileName(attach))
                return true;
        }
        return false;
    }

    // One drop file into the first free slot. Its record is written at once but flushed with
    // its group, and the drop file goes only after that flush, so a crash can at worst
    // collect the group in flight twice, never lose a message.
    void take(const std::string &drop)
    {
        File file = File::openRead(drop);
        file.readAt(0, m_incoming.bytes.data(), TMessageRecord::Size);
        file.close();
        while (true) {
            if (m_slot == m_inbox.size())
                m_inbox.emplace_back();
            if (m_inbox[m_slot].isEmpty())
                break;
            ++m_slot;
        }
        // The array takes the message only once the file has it, so a failed write leaves
        // both agreeing and the drop file in place.
        m_datafile.writeAt(std::int64_t(m_slot) * TMessageRecord::Size, m_incoming.bytes.data(),
                           TMessageRecord::Size);
        m_inbox[m_slot] = m_incoming;
        m_written.push_back(drop);
        ++m_collected;
        if (m_written.size() == GroupMessages)
            settle();
    }

    // One flush for the group, then its drop files go. The list is emptied before the flush:
    // after a failed flush a second one may report success for data that never reached the
    // disk, so those drop files must stay whatever happens next.
    void settle()
    {
        if (m_written.empty())
            return;
        std::vector<std::string> written;
        written.swap(m_written);
        m_written.reserve(GroupMessages);
        m_datafile.sync();
        for (const std::string &drop : written)
            removeFile(drop);
    }

    void collectAttachment(const std::string &server, const QString &attach)
    {
        // A name from a received record never leads outside the folders worked in.
        if (!isPlainFileName(attach))
            return;
        m_callbacks.pump();
        const std::string source = server + pathFromText(attach);
        const std::string target = m_ownFolder + pathFromText(attach);
        // A server folder that is the own folder (perhaps by another path) keeps its file.
        std::error_code ec;
        const bool ownCopy = std::filesystem::equivalent(source, target, ec) && !ec;
        // Copy, count and delete as one step among the copies of the program: a sender
        // replacing the file meanwhile would otherwise lose its new copy to the delete.
        const AttachmentLock lock(server);
        copyWithProgress(source, m_ownFolder, attach, m_callbacks, false);
        m_callbacks.hide();
        if (UncountAttachment(lock, attach) == 0 && !ownCopy)
            removeFile(source);
    }

    QString m_name;
    std::string m_ownFolder;
    TInboxData &m_inbox;
    TMessageRecord &m_incoming;
    const TAddressData &m_addresses;
    const MailCallbacks &m_callbacks;
    File m_datafile;
    // Drop files whose records are written but not yet flushed, in the order taken.
    std::vector<std::string> m_written;
    std::size_t m_slot = 0;
    int m_collected = 0;
};

} // namespace

CollectReport collectMail(const TSettings &view, const std::string &inboxFileName, TInboxData &inbox,
                          TMessageRecord &incoming, const TAddressData &addresses, const MailCallbacks &callbacks)
{
    CollectReport report;
    MailRunGuard guard;
    if (!guard.acquired()) {
        report.outcome = MailOutcome::Refused;
        return report;
    }
    if (checkSettings(view) != SettingsProblem::None) {
        report.outcome = MailOutcome::SettingsIncomplete;
        return report;
    }
    Collector collector(view, inboxFileName, inbox, incoming, addresses, callbacks);
    collector.ownFolder();
    callbacks.pump();
    collector.serverFolders();
    collector.finish();
    report.collected = collector.collected();
    report.showInBox = true;
    return report;
}
