#include "Collect.h"

#include "AddressFile.h"
#include "CopyProgress.h"
#include "DropFiles.h"
#include "FileOps.h"
#include "Paths.h"
#include "RecordFile.h"
#include "Settings.h"
#include "SettingsCheck.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

namespace {

// A flush costs a round trip to the disk or the share, so the records of up to 64 drop files
// share one; that is 1.2 MiB, well within the 4 MiB one flush should carry.
constexpr std::size_t GroupMessages = 64;
static_assert(GroupMessages * TMessageRecord::Size <= 4 * 1024 * 1024);

// The drop files of the group in flight with the slots their records went to. A copy killed
// before the group's drop files are deleted leaves their records in the datafile; the next
// collection finds them here and deletes those drop files instead of taking them again. An
// addition of ours: when it cannot be kept, the collection goes on without it.
class TakingJournal
{
public:
    explicit TakingJournal(const std::string &path)
    {
        try {
            m_file = File::openPlainReadWrite(path);
        } catch (const IoError &error) {
            if (error.code() == IoError::FileNotFound) {
                try {
                    m_file = File::createExclusive(path);
                } catch (const IoError &) {
                }
            }
        }
    }

    struct Entry
    {
        std::int64_t slot;
        std::string drop;
    };

    std::vector<Entry> entries()
    {
        std::vector<Entry> found;
        if (!m_file.isOpen())
            return found;
        try {
            const std::int64_t size = std::min<std::int64_t>(m_file.size(), 1 << 20);
            std::string bytes(static_cast<std::size_t>(size), '\0');
            if (size > 0)
                m_file.readAt(0, bytes.data(), bytes.size());
            std::size_t at = 0;
            while (at + 12 <= bytes.size()) {
                std::int64_t slot;
                std::uint32_t length;
                std::memcpy(&slot, bytes.data() + at, 8);
                std::memcpy(&length, bytes.data() + at + 8, 4);
                at += 12;
                if (length > bytes.size() - at)
                    break;
                found.push_back({slot, bytes.substr(at, length)});
                at += length;
            }
        } catch (const IoError &) {
        }
        return found;
    }

    void add(std::int64_t slot, const std::string &drop)
    {
        if (!m_file.isOpen())
            return;
        std::string entry(12, '\0');
        const auto length = static_cast<std::uint32_t>(drop.size());
        std::memcpy(entry.data(), &slot, 8);
        std::memcpy(entry.data() + 8, &length, 4);
        entry += drop;
        try {
            m_file.writeAt(m_end, entry.data(), entry.size());
            m_end += static_cast<std::int64_t>(entry.size());
        } catch (const IoError &) {
            m_file = File();
        }
    }

    void clear()
    {
        if (!m_file.isOpen() || m_end == 0)
            return;
        try {
            m_file.truncate(0);
            m_end = 0;
        } catch (const IoError &) {
            m_file = File();
        }
    }

    void clearAll()
    {
        m_end = 1;
        clear();
    }

private:
    File m_file;
    std::int64_t m_end = 0;
};

// A copy of what the collection needs of the address list, taken at its start: the window
// may change the list while events are processed.
struct AddressSnapshot
{
    std::vector<std::string> serverFolders; // Server byte 1, in list order
    QStringList names;
};

AddressSnapshot snapshot(const TAddressData &addresses)
{
    AddressSnapshot s;
    for (const TAddressRec &entry : addresses) {
        if (entry.Server() == 1)
            s.serverFolders.push_back(pathFromText(entry.InBox()));
        if (!entry.isEmpty())
            s.names.append(entry.Name());
    }
    return s;
}

QString describe(const TMessageRecord &record)
{
    return QStringLiteral("the message \"%1\" from %2").arg(record.Subject(), record.From());
}

class Collector
{
public:
    Collector(const TSettings &view, const std::string &inboxFileName, TInboxData &inbox,
              TMessageRecord &incoming, const TAddressData &addresses, const MailCallbacks &callbacks)
        : m_name(view.Name)
        , m_ownFolder(pathFromText(view.MyDest))
        , m_datafileName(inboxFileName)
        , m_inbox(inbox)
        , m_incoming(incoming)
        , m_addresses(snapshot(addresses))
        , m_callbacks(callbacks)
        , m_pumping(callbacks)
        // The datafile must exist (start-up creates it); a missing one ends the run before
        // any drop file is read.
        , m_datafile(File::openReadWrite(inboxFileName))
        , m_journal(takingJournalName(inboxFileName))
    {
        m_otherNames = m_addresses.names;
        m_otherNames.removeAll(m_name);
        // Every pump, also those inside a copy or a wait for a lock, is noted: the inbox is
        // looked up anew before the next message goes into it.
        m_pumping.processEvents = [this] {
            m_pumped = true;
            if (m_callbacks.countProgress)
                m_callbacks.countProgress(m_report.collected, std::max(m_waiting, m_report.collected));
            m_callbacks.pump();
            m_sincePump.restart();
        };
        m_sincePump.start();
    }

    // How many drop files wait, for the progress the window shows; only when it is shown,
    // since it lists every folder once more.
    void countWaiting()
    {
        if (!m_callbacks.countProgress)
            return;
        const auto waitingIn = [this](const std::string &folder) {
            return int(dropNumbersAbove(folder, m_name, 0, m_otherNames).size());
        };
        m_waiting = waitingIn(m_ownFolder);
        for (const std::string &server : m_addresses.serverFolders) {
            if (folderExists(server))
                m_waiting += waitingIn(server);
        }
    }

    bool stopped() const { return m_report.stopped; }

    CollectReport &report() { return m_report; }

    // Deletes the drop files a killed collection had already taken into the datafile.
    void recover()
    {
        for (const TakingJournal::Entry &entry : m_journal.entries()) {
            TMessageRecord inSlot;
            TMessageRecord dropped;
            try {
                if (entry.slot < 0 || (entry.slot + 1) * TMessageRecord::Size > m_datafile.size())
                    continue;
                m_datafile.readAt(entry.slot * TMessageRecord::Size, inSlot.bytes.data(), TMessageRecord::Size);
                File drop = File::openPlainRead(entry.drop);
                drop.readAt(0, dropped.bytes.data(), TMessageRecord::Size);
            } catch (const IoError &) {
                continue;
            }
            if (inSlot == dropped && !inSlot.isEmpty())
                removeFile(entry.drop);
        }
        m_journal.clearAll();
    }

    void ownFolder()
    {
        m_slot = 0;
        inGroups([&] {
            eachDropFile(m_ownFolder, false, [&](TMessageRecord &record) {
                take(record);
                // The attachments are already in place here; only their keys go. Forgetting a
                // key before the flush is safe: a crash leaves the drop file, and the key is
                // forgotten again when it is collected again.
                for (int k = 1; k <= TMessageRecord::SlotCount; ++k) {
                    const QString attach = record.AttachName(k);
                    if (!attach.isEmpty() && isPlainFileName(attach))
                        ForgetAttachment(m_ownFolder, attach, [&] { m_pumping.pump(); });
                }
            });
        });
    }

    void serverFolders()
    {
        m_slot = 0;
        for (const std::string &server : m_addresses.serverFolders) {
            if (m_report.stopped)
                break;
            if (!folderExists(server))
                continue;
            inGroups([&] { eachDropFile(server, true, [&](TMessageRecord &record) { fromServer(server, record); }); });
        }
    }

    void pump()
    {
        m_pumping.pump();
        refresh();
    }

    void finish() { m_datafile.close(); }

private:
    // After events were processed: the window may have compacted the inbox meanwhile, a
    // shorter array and a datafile replaced under its name. What was written to the old
    // one went into the new one.
    void refresh()
    {
        m_pumped = false;
        m_slot = std::min(m_slot, m_inbox.size());
        if (!m_datafile.isFileNamed(m_datafileName)) {
            settle();
            m_datafile = File::openReadWrite(m_datafileName);
        }
    }

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

    // The user's drop files in folder: 1, 2, 3, ... up to the first number under which
    // nothing stands, then the higher numbers found there. Each one is read and handed on,
    // except what a colleague may have planted or a dead sender left, which is named and left.
    template<class Handle>
    void eachDropFile(const std::string &folder, bool pumpFirst, Handle &&handle)
    {
        int n = 1;
        for (; !m_report.stopped && nameTaken(DropFileName(folder, m_name, n)); ++n)
            one(DropFileName(folder, m_name, n), pumpFirst, handle);
        if (m_report.stopped)
            return;
        for (int above : dropNumbersAbove(folder, m_name, n, m_otherNames)) {
            if (m_report.stopped)
                return;
            const std::string drop = DropFileName(folder, m_name, above);
            if (nameTaken(drop))
                one(drop, pumpFirst, handle);
        }
    }

    template<class Handle>
    void one(const std::string &drop, bool pumpFirst, Handle &&handle)
    {
        // The window stays responsive however many files wait in one folder.
        if (pumpFirst || m_sincePump.elapsed() >= PumpMilliseconds)
            pump();
        // A stop asked for while events were processed comes before the next message.
        if (m_callbacks.stop()) {
            m_report.stopped = true;
            return;
        }
        TMessageRecord record;
        try {
            File file = File::openPlainRead(drop);
            if (file.size() < TMessageRecord::Size && file.modifiedSecondsAgo() >= StaleDropSeconds) {
                m_report.notices.append(QStringLiteral("%1 is shorter than one message and has not changed for %2 "
                                                       "minutes: its sender stopped while writing it. Left where it is.")
                                            .arg(textFromPath(drop))
                                            .arg(StaleDropSeconds / 60));
                return;
            }
            file.readAt(0, record.bytes.data(), TMessageRecord::Size);
            file.close();
        } catch (const IoError &error) {
            // A drop file still being written stops the collection: say which one.
            if (error.code() == IoError::ReadBeyondEnd)
                throw IoError(error.code(), std::string(error.what()) + ": " + drop
                                                + " is shorter than one message (its sender may still be writing it)");
            if (error.code() != IoError::NotPlainFile)
                throw;
            m_report.notices.append(textFromPath(notPlainFileText(drop)));
            return;
        }
        m_current = drop;
        handle(record);
        if (m_callbacks.stop())
            m_report.stopped = true;
    }

    // One record into the first free slot. It is written at once but flushed with its group,
    // and the drop file goes only after that flush, so a power cut can at worst collect the
    // group in flight twice, never lose a message; the journal keeps a killed copy from
    // taking them twice.
    void take(const TMessageRecord &record)
    {
        if (m_pumped)
            refresh();
        m_incoming = record;
        while (true) {
            if (m_slot == m_inbox.size())
                m_inbox.emplace_back();
            if (m_inbox[m_slot].isEmpty())
                break;
            ++m_slot;
        }
        m_journal.add(std::int64_t(m_slot), m_current);
        // The array takes the message only once the file has it, so a failed write leaves
        // both agreeing and the drop file in place.
        writeRecordInPlace(m_datafile, std::int64_t(m_slot) * TMessageRecord::Size, record.bytes.data(),
                           TMessageRecord::Size);
        m_inbox[m_slot] = record;
        m_written.push_back(m_current);
        ++m_report.collected;
        if (m_written.size() == GroupMessages)
            settle();
    }

    // A message from a server folder: its attachments are copied into the own folder first,
    // each under the name it gets there, which the record then carries; the counts in the
    // server folder are lowered only once the message is flushed and its drop file gone, as
    // that cannot be undone. A crash before it leaves the drop file, and its copies, having
    // the same bytes, are reused by the next collection.
    void fromServer(const std::string &server, TMessageRecord &record)
    {
        std::vector<QString> copied;
        for (int k = 1; k <= TMessageRecord::SlotCount; ++k) {
            const QString attach = record.AttachName(k);
            // A name from a received record never leads outside the folders worked in.
            if (attach.isEmpty() || !isPlainFileName(attach))
                continue;
            pump();
            const std::optional<QString> placed = collectAttachment(server, attach, record);
            m_pumping.hide();
            if (!placed)
                continue;
            copied.push_back(attach);
            if (*placed != attach)
                record.setAttachName(k, *placed);
        }
        take(record);
        if (copied.empty())
            return;
        settle();
        for (const QString &attach : copied) {
            const AttachmentLock lock(server, [&] { m_pumping.pump(); });
            // A server folder that is the own folder (perhaps by another path) keeps its file.
            if (UncountAttachment(lock, attach) == 0 && !sameFolder(server, m_ownFolder))
                removeFile(server + pathFromText(attach));
        }
    }

    // The name the copy stands under in the own folder, or nothing when the attachment is not
    // there to take (the notice says why).
    std::optional<QString> collectAttachment(const std::string &server, const QString &attach,
                                             const TMessageRecord &record)
    {
        const std::string source = server + pathFromText(attach);
        if (sameFolder(server, m_ownFolder))
            return attach;
        try {
            // Opened first, so that a source that is not there or not a plain file is told
            // apart from a failure to write the own folder, which ends the collection.
            File::openPlainRead(source).close();
        } catch (const IoError &error) {
            if (error.code() == IoError::NotPlainFile)
                m_report.notices.append(textFromPath(notPlainFileText(source))
                                        + QStringLiteral("; the attachment of %1 was not collected.").arg(describe(record)));
            else
                m_report.notices.append(QStringLiteral("The attachment %1 of %2 could not be read in %3 (%4): it was "
                                                       "not collected.")
                                            .arg(attach, describe(record), textFromPath(server),
                                                 QString::fromLocal8Bit(error.what())));
            return std::nullopt;
        }
        return placeWithProgress(source, AttachmentSource::Shared, m_ownFolder, attach, false, m_pumping, false);
    }

    static bool sameFolder(const std::string &a, const std::string &b)
    {
        std::error_code ec;
        return std::filesystem::equivalent(a.empty() ? "." : a, b.empty() ? "." : b, ec) && !ec;
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
        m_journal.clear();
    }

    QString m_name;
    std::string m_ownFolder;
    std::string m_datafileName;
    TInboxData &m_inbox;
    TMessageRecord &m_incoming;
    AddressSnapshot m_addresses;
    QStringList m_otherNames;
    const MailCallbacks &m_callbacks;
    MailCallbacks m_pumping; // m_callbacks, noting every pump
    bool m_pumped = false;
    QElapsedTimer m_sincePump;
    int m_waiting = 0;
    File m_datafile;
    TakingJournal m_journal;
    CollectReport m_report;
    std::string m_current; // the drop file being taken
    // Drop files whose records are written but not yet flushed, in the order taken.
    std::vector<std::string> m_written;
    std::size_t m_slot = 0;
};

} // namespace

std::string takingJournalName(const std::string &inboxFileName)
{
    return inboxFileName + ".taking";
}

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
    const QString nameProblem = recipientNameProblem(view.Name);
    if (!nameProblem.isEmpty()) {
        // Joined to the folders it would look elsewhere: nothing is read.
        report.notices.append(nameProblem + QStringLiteral(" Nothing was collected."));
        report.showInBox = true;
        return report;
    }
    std::optional<Collector> collector;
    try {
        collector.emplace(view, inboxFileName, inbox, incoming, addresses, callbacks);
        collector->recover();
        collector->countWaiting();
        collector->ownFolder();
        if (!collector->stopped()) {
            collector->pump();
            collector->serverFolders();
        }
        collector->finish();
    } catch (const IoError &error) {
        throw CollectError(error, collector ? collector->report() : report);
    }
    report = collector->report();
    report.showInBox = true;
    return report;
}
