#include "Collect.h"

#include "AddressFile.h"
#include "CopyProgress.h"
#include "Destinations.h"
#include "DropFiles.h"
#include "FileOps.h"
#include "InboxMarks.h"
#include "Paths.h"
#include "PrivateFiles.h"
#include "RecordFile.h"
#include "Settings.h"
#include "SettingsCheck.h"

#include <QElapsedTimer>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <map>
#include <set>
#include <memory>
#include <optional>
#include <pwd.h>
#include <sys/vfs.h>
#include <vector>

namespace {

// A flush costs a round trip to the disk or the share, so the records of up to 64 drop files
// share one; that is 1.2 MiB, well within the 4 MiB one flush should carry.
constexpr std::size_t GroupMessages = 64;
static_assert(GroupMessages * TMessageRecord::Size <= 4 * 1024 * 1024);

// A drop file by its folder and its name there.
struct DropRef
{
    const Folder *folder = nullptr;
    std::string leaf;
    std::string path() const { return folder->pathOf(leaf); }
};

// The drop files of the group in flight with the slots their records went to. A copy killed
// before the group's drop files are deleted leaves their records in the datafile; the next
// collection finds them here and deletes those drop files instead of taking them again. An
// addition of ours: when it cannot be kept, the collection goes on without it.
class TakingJournal
{
public:
    TakingJournal(const Folder &dataFolder, const std::string &name)
    {
        try {
            m_file = dataFolder.openPlainReadWrite(name);
            m_file.setPermissions(PrivateFileMode);
        } catch (const IoError &error) {
            if (error.code() == IoError::FileNotFound) {
                try {
                    m_file = dataFolder.createExclusive(name, PrivateFileMode);
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

// The login of the account that owns a drop file, where the folder's file system keeps
// owners: a share mounted for one user shows every file as that user's, which says nothing.
QString ownerLogin(uid_t uid)
{
    struct passwd entry{};
    struct passwd *found = nullptr;
    char buffer[1024];
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name);
    return QStringLiteral("#%1").arg(uid);
}

bool keepsOwners(const Folder &folder)
{
    struct statfs fs{};
    if (::fstatfs(folder.handle(), &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xFF534D42: // CIFS
    case 0xFE534D42: // SMB2
    case 0x517B:     // SMB
    case 0x65735546: // FUSE
    case 0x4d44:     // FAT
    case 0x5346544e: // NTFS
        return false;
    default:
        return true;
    }
}

class Collector
{
public:
    Collector(const TSettings &view, const std::string &inboxFileName, TInboxData &inbox,
              TMessageRecord &incoming, const TAddressData &addresses, const MailCallbacks &callbacks)
        : m_name(view.Name)
        , m_own(Folder::openOwn(pathFromText(view.MyDest), "your inbox folder"))
        , m_datafileName(inboxFileName)
        , m_dataFolder(Folder::openOwn(folderOf(inboxFileName), "the folder of your inbox datafile"))
        , m_datafileLeaf(inboxFileName.substr(folderOf(inboxFileName).size()))
        , m_inbox(inbox)
        , m_incoming(incoming)
        , m_addresses(snapshot(addresses))
        , m_pathMap(view.pathMap)
        , m_callbacks(callbacks)
        , m_pumping(callbacks)
        // The datafile must exist (start-up creates it); a missing one ends the run before
        // any drop file is read.
        , m_datafile(m_dataFolder.openRegularReadWrite(m_datafileLeaf))
        , m_journal(m_dataFolder, m_datafileLeaf + ".taking")
        , m_taken(m_dataFolder, m_datafileLeaf + ".taken")
    {
        m_datafile.setPermissions(PrivateFileMode);
        m_otherNames = m_addresses.names;
        m_otherNames.removeAll(m_name);
        // Every pump, also those inside a copy or a wait for a lock, is noted; the count is
        // told once it is known.
        m_pumping.processEvents = [this] {
            m_pumped = true;
            if (m_callbacks.countProgress && !m_counting)
                m_callbacks.countProgress(taken(), std::max(m_waiting, taken()));
            m_callbacks.pump();
            m_sincePump.restart();
            m_stepsSincePump = 0;
        };
        m_sincePump.start();
    }

    // How many drop files wait, for the progress the window shows; only when it is shown,
    // since it lists every folder once more.
    void countWaiting()
    {
        if (!m_callbacks.countProgress)
            return;
        m_counting = true;
        const auto waitingIn = [this](const Folder &folder) {
            return int(dropFilesAbove(folder, m_name, 0, m_otherNames, [this] { step(); }).size());
        };
        m_waiting = waitingIn(m_own);
        for (const std::string &text : m_addresses.serverFolders) {
            if (serverFolder(text).isOpen())
                m_waiting += waitingIn(serverFolder(text));
        }
        m_counting = false;
    }

    bool stopped() const { return m_report.stopped; }

    // Each server folder is opened once for the whole collection.
    const Folder &serverFolder(const std::string &text)
    {
        auto it = m_servers.find(text);
        if (it == m_servers.end())
            it = m_servers.emplace(text, std::make_unique<Folder>(openDestination(textFromPath(text), m_pathMap))).first;
        return *it->second;
    }

    // Messages taken so far, flushed or not.
    int taken() const { return m_report.collected + m_report.notRemoved + int(m_written.size()); }

    CollectReport &report() { return m_report; }

    // Deletes the drop files a killed collection had already taken into the datafile.
    void recover()
    {
        for (const TakingJournal::Entry &entry : m_journal.entries()) {
            TMessageRecord inSlot;
            TMessageRecord dropped;
            const std::string folderText = folderOf(entry.drop);
            const Folder folder = Folder::openIfFolder(folderText);
            const std::string leaf = entry.drop.substr(folderText.size());
            try {
                if (!folder.isOpen() || entry.slot < 0
                    || (entry.slot + 1) * TMessageRecord::Size > m_datafile.size())
                    continue;
                m_datafile.readAt(entry.slot * TMessageRecord::Size, inSlot.bytes.data(), TMessageRecord::Size);
                folder.openPlainRead(leaf).readAt(0, dropped.bytes.data(), TMessageRecord::Size);
            } catch (const IoError &) {
                continue;
            }
            if (inSlot == dropped && !inSlot.isEmpty())
                folder.remove(leaf);
        }
        m_journal.clearAll();
    }

    void ownFolder()
    {
        m_slot = 0;
        inGroups([&] {
            eachDropFile(m_own, false, [&](TMessageRecord &record) {
                take(record);
                // The attachments are already in place here; only their keys go. Forgetting a
                // key before the flush is safe: a crash leaves the drop file, and the key is
                // forgotten again when it is collected again.
                for (int k = 1; k <= TMessageRecord::SlotCount; ++k) {
                    const QString attach = record.AttachName(k);
                    if (attach.isEmpty())
                        continue;
                    ForgetAttachment(m_own, attach, [&] { m_pumping.pump(); });
                    // Collected, it is the user's: its sender no longer changes or removes it.
                    if (m_owners && isPlainFileName(attach))
                        adoptFile(m_own, pathFromText(attach));
                }
            });
        });
    }

    void serverFolders()
    {
        m_slot = 0;
        for (const std::string &text : m_addresses.serverFolders) {
            if (m_report.stopped)
                break;
            const Folder &server = serverFolder(text);
            if (!server.isOpen())
                continue;
            inGroups([&] { eachDropFile(server, true, [&](TMessageRecord &record) { fromServer(server, record); }); });
        }
    }

    void pump()
    {
        m_pumping.pump();
        refresh();
    }

    bool pumpDue() { return ++m_stepsSincePump >= PumpSteps || m_sincePump.elapsed() >= PumpMilliseconds; }

    // One name of a folder's listing: events are taken as between drop files. The inbox is
    // looked up anew before the next message is taken (m_pumped).
    void step()
    {
        if (pumpDue())
            m_pumping.pump();
    }

    void finish()
    {
        m_taken.save();
        m_datafile.close();
    }

    // After an error: what was learnt is kept, and nothing more may fail.
    void abandon() noexcept
    {
        m_taken.save();
        m_datafile = File();
    }

private:
    // After events were processed: the window may have compacted the inbox meanwhile, a
    // shorter array and a datafile replaced under its name, which holds what was written to
    // the old one (settle checks it) and is where the collection goes on.
    void refresh()
    {
        m_pumped = false;
        m_slot = std::min(m_slot, m_inbox.size());
        if (!m_datafile.isFileNamed(m_datafileName)) {
            settle();
            if (!m_datafile.isFileNamed(m_datafileName))
                switchToNamed();
        }
    }

    void switchToNamed()
    {
        m_datafile = m_dataFolder.openRegularReadWrite(m_datafileLeaf);
        if (!m_datafile.isFileNamed(m_datafileName))
            raiseIoError(ENOENT);
        readMessageFile(m_datafileName, m_inbox);
        m_slot = 0;
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
    // except what a colleague may have planted or a dead sender left, which is named and left,
    // and one this collection's user took before but could not delete.
    template<class Handle>
    void eachDropFile(const Folder &folder, bool pumpFirst, Handle &&handle)
    {
        m_owners = keepsOwners(folder);
        // One listing of the folder (none where it may not be listed) finds the names other
        // copies wrote in another letter case, and the files beyond a gap.
        const std::vector<DropName> listed = dropFilesAbove(folder, m_name, 0, m_otherNames, [this] { step(); });
        std::set<std::string> taken;
        const auto variant = [&](int number) -> const DropName * {
            for (const DropName &d : listed)
                if (d.number == number && !taken.count(d.leaf))
                    return &d;
            return nullptr;
        };
        for (int n = 1; !m_report.stopped; ++n) {
            std::string leaf = dropFileLeaf(m_name, n);
            if (!one(folder, leaf, pumpFirst, handle)) {
                const DropName *other = variant(n);
                if (!other || !one(folder, other->leaf, pumpFirst, handle))
                    break;
                leaf = other->leaf;
            }
            taken.insert(leaf);
        }
        // Beyond the run, and a second file of a number taken (anna2.qdm beside Anna2.qdm).
        for (const DropName &d : listed) {
            if (m_report.stopped)
                return;
            if (!taken.count(d.leaf))
                one(folder, d.leaf, pumpFirst, handle);
        }
    }

    // False when nothing stands under the name: the open failing says so, with no look
    // before it.
    template<class Handle>
    bool one(const Folder &folder, const std::string &leaf, bool pumpFirst, Handle &&handle)
    {
        // The window stays responsive however many files wait in one folder.
        if (pumpDue())
            pump();
        // A stop asked for while events were processed comes before the next message.
        if (m_callbacks.stop()) {
            m_report.stopped = true;
            return false;
        }
        TMessageRecord record;
        struct stat st{};
        try {
            File file = folder.openPlainRead(leaf, st);
            if (st.st_size < TMessageRecord::Size && modifiedSecondsAgo(st) >= StaleDropSeconds) {
                m_report.notices.append(QStringLiteral("%1 is shorter than one message and has not changed for %2 "
                                                       "minutes: its sender stopped while writing it. Left where it is.")
                                            .arg(textFromPath(folder.pathOf(leaf)))
                                            .arg(StaleDropSeconds / 60));
                return true;
            }
            try {
                file.readAt(0, record.bytes.data(), TMessageRecord::Size);
            } catch (const IoError &error) {
                if (error.code() != IoError::ReadBeyondEnd)
                    throw;
                throw IoError(error.code(), textFromPath(folder.pathOf(leaf)).toLocal8Bit().toStdString()
                                                + " is shorter than one message (a sender may still be writing "
                                                  "it): Read beyond end of file");
            }
            file.close();
        } catch (const IoError &error) {
            if (error.code() == IoError::FileNotFound)
                return false;
            if (error.code() == IoError::AccessDenied) {
                m_report.notices.append(QStringLiteral("%1 may not be read by your account (its sender did not share "
                                                       "it with you): left where it is.")
                                            .arg(textFromPath(folder.pathOf(leaf))));
                return true;
            }
            if (error.code() != IoError::NotPlainFile)
                throw;
            m_report.notices.append(textFromPath(notPlainFileText(folder.pathOf(leaf))));
            return true;
        }
        const std::uint64_t hash = TInboxMarks::hashOf(record);
        if (m_taken.contains(folder.pathOf(leaf), hash)) {
            // Taken before; perhaps it may be deleted now.
            if (folder.remove(leaf))
                m_taken.forget(folder.pathOf(leaf));
            return true;
        }
        if (pumpFirst)
            pump();
        m_current = DropRef{&folder, leaf};
        m_currentHash = hash;
        m_currentOwner = m_owners ? ownerLogin(st.st_uid) : QString();
        handle(record);
        if (m_callbacks.stop())
            m_report.stopped = true;
        return true;
    }

    static std::int64_t modifiedSecondsAgo(const struct stat &st)
    {
        return std::int64_t(std::time(nullptr)) - std::int64_t(st.st_mtime);
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
        m_journal.add(std::int64_t(m_slot), m_current.path());
        // The array takes the message only once the file has it, so a failed write leaves
        // both agreeing and the drop file in place.
        writeRecordInPlace(m_datafile, std::int64_t(m_slot) * TMessageRecord::Size, record.bytes.data(),
                           TMessageRecord::Size);
        m_inbox[m_slot] = record;
        m_written.push_back({m_current, TInboxMarks::hashOf(record), m_currentHash, m_currentOwner});
        if (m_written.size() == GroupMessages)
            settle();
    }

    // A message from a server folder: its attachments are copied into the own folder first,
    // each under the name it gets there, which the record then carries; the counts in the
    // server folder are lowered only once the message is flushed and its drop file gone, as
    // that cannot be undone. A crash before it leaves the drop file, and its copies, having
    // the same bytes, are reused by the next collection.
    void fromServer(const Folder &server, TMessageRecord &record)
    {
        std::vector<QString> copied;
        for (int k = 1; k <= TMessageRecord::SlotCount; ++k) {
            const QString attach = record.AttachName(k);
            if (attach.isEmpty())
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
        if (!m_removed)
            return; // the message stays in the server folder, and so do its attachments
        for (const QString &attach : copied) {
            const AttachmentLock lock(server, [&] { m_pumping.pump(); });
            // A server folder that is the own folder (perhaps by another path) keeps its file.
            if (UncountAttachment(lock, attach) == 0 && !sameFolder(server, m_own))
                server.remove(pathFromText(attach));
        }
    }

    // The name the copy stands under in the own folder, or nothing when the attachment is not
    // there to take (the notice says why).
    std::optional<QString> collectAttachment(const Folder &server, const QString &attach, const TMessageRecord &record)
    {
        if (sameFolder(server, m_own))
            return attach;
        // A name from a received record never leads outside the folder it names.
        if (!isPlainFileName(attach)) {
            m_report.notices.append(QStringLiteral("The attachment \"%1\" of %2 names no file of %3: it was not "
                                                   "collected.")
                                        .arg(attach, describe(record), textFromPath(server.text())));
            return std::nullopt;
        }
        const std::string leaf = pathFromText(attach);
        try {
            // Opened first, so that a source that is not there or not a plain file is told
            // apart from a failure to write the own folder, which ends the collection.
            server.openPlainRead(leaf).close();
        } catch (const IoError &error) {
            if (error.code() == IoError::NotPlainFile)
                m_report.notices.append(textFromPath(notPlainFileText(server.pathOf(leaf)))
                                        + QStringLiteral("; the attachment of %1 was not collected.").arg(describe(record)));
            else
                m_report.notices.append(QStringLiteral("The attachment %1 of %2 could not be read in %3 (%4): it was "
                                                       "not collected.")
                                            .arg(attach, describe(record), textFromPath(server.text()),
                                                 QString::fromLocal8Bit(error.what())));
            return std::nullopt;
        }
        try {
            return placeWithProgress(server, leaf, m_own, attach, false, m_pumping, false);
        } catch (const IoError &error) {
            throw IoError(error.code(), QStringLiteral("The attachment %1 of %2 could not be copied from %3 to %4: %5")
                                            .arg(attach, describe(record), textFromPath(server.text()),
                                                 textFromPath(m_own.text()), QString::fromLocal8Bit(error.what()))
                                            .toLocal8Bit()
                                            .toStdString());
        }
    }

    static bool sameFolder(const Folder &a, const Folder &b)
    {
        const struct stat x = a.info();
        const struct stat y = b.info();
        return x.st_dev == y.st_dev && x.st_ino == y.st_ino && a.prefix() == b.prefix();
    }

    struct Written
    {
        DropRef drop;
        std::uint64_t slotHash;
        std::uint64_t dropHash;
        QString owner;
    };

    // One flush for the group, then its drop files go, but only while the file flushed is
    // still the datafile under its name: one that was removed, renamed or replaced meanwhile
    // holds the records nobody will read, so their drop files stay for the next collection.
    // The list is emptied before the flush: after a failed flush a second one may report
    // success for data that never reached the disk, so those drop files must stay whatever
    // happens next.
    void settle()
    {
        m_removed = true;
        if (m_written.empty())
            return;
        std::vector<Written> written;
        written.swap(m_written);
        m_written.reserve(GroupMessages);
        m_datafile.sync();
        const bool replaced = !m_datafile.isFileNamed(m_datafileName);
        if (replaced && !underName(written)) {
            m_removed = false;
            throw IoError(IoError::FileNotFound,
                          "The inbox datafile " + m_datafileName
                              + " was removed, renamed or replaced while mail was collected: the last "
                              + std::to_string(written.size())
                              + " messages taken stay where they were, and the next collection takes them.");
        }
        QStringList stuck;
        for (const Written &w : written) {
            if (w.drop.folder->remove(w.drop.leaf)) {
                ++m_report.collected;
                m_report.accounts.emplace_back(w.slotHash, w.owner);
            } else {
                // Taken, but it stays: remembered, so that it is not taken again.
                m_taken.add(w.drop.path(), w.dropHash);
                ++m_report.notRemoved;
                m_report.accounts.emplace_back(w.slotHash, w.owner);
                m_stuckFolders.insert(textFromPath(w.drop.folder->text()));
            }
        }
        m_journal.clear();
        // A compaction put the records into a new datafile: the collection goes on there.
        if (replaced)
            switchToNamed();
    }

    // Whether the file under the datafile's name holds every record of the group: a
    // compaction that replaced the datafile copied them over.
    bool underName(const std::vector<Written> &written) const
    {
        try {
            const TInboxData now = readMessageFile(m_datafileName).records;
            QSet<std::uint64_t> there;
            for (const TMessageRecord &record : now)
                there.insert(TInboxMarks::hashOf(record));
            for (const auto &w : written) {
                if (!there.contains(w.slotHash))
                    return false;
            }
            return true;
        } catch (const IoError &) {
            return false;
        }
    }

    // Drop files taken into the inbox that could not be deleted (a folder where the user may
    // add but not remove, a read-only share): their names and the hash of their records,
    // beside the datafile, so later collections go past them while they stay.
    class TakenList
    {
    public:
        TakenList(const Folder &dataFolder, std::string name)
            : m_folder(dataFolder)
            , m_name(std::move(name))
        {
            try {
                File file = m_folder.openPlainRead(m_name);
                std::string bytes(static_cast<std::size_t>(std::min<std::int64_t>(file.size(), 4 << 20)), '\0');
                if (!bytes.empty())
                    file.readAt(0, bytes.data(), bytes.size());
                std::size_t at = 0;
                while (at < bytes.size()) {
                    std::size_t end = bytes.find('\n', at);
                    if (end == std::string::npos)
                        break;
                    const std::string line = bytes.substr(at, end - at);
                    at = end + 1;
                    if (line.size() > 17 && line[16] == ' ')
                        m_entries[line.substr(17)] = std::stoull(line.substr(0, 16), nullptr, 16);
                }
            } catch (const std::exception &) {
            }
        }

        bool contains(const std::string &path, std::uint64_t hash) const
        {
            const auto it = m_entries.find(path);
            return it != m_entries.end() && it->second == hash;
        }
        void add(const std::string &path, std::uint64_t hash)
        {
            m_entries[path] = hash;
            m_changed = true;
        }
        void forget(const std::string &path)
        {
            m_changed = m_entries.erase(path) > 0 || m_changed;
        }

        // Keeps the entries whose drop files still stand; an addition of ours, so a list that
        // cannot be written only means those messages may come again.
        void save()
        {
            for (auto it = m_entries.begin(); it != m_entries.end();) {
                struct stat st{};
                if (::lstat(it->first.c_str(), &st) != 0) {
                    it = m_entries.erase(it);
                    m_changed = true;
                } else {
                    ++it;
                }
            }
            if (!m_changed)
                return;
            std::string bytes;
            for (const auto &[path, hash] : m_entries) {
                char digits[17];
                std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
                bytes += std::string(digits) + ' ' + path + '\n';
            }
            try {
                replaceFile(m_folder, m_name, bytes.data(), bytes.size(), PrivateFileMode);
            } catch (const IoError &) {
            }
        }

    private:
        const Folder &m_folder;
        std::string m_name;
        std::map<std::string, std::uint64_t> m_entries;
        bool m_changed = false;
    };

public:
    // Said once, at the collection that took them: which folders kept messages.
    void sayStuck()
    {
        if (m_report.notRemoved == 0)
            return;
        const QString folders = QStringList(m_stuckFolders.begin(), m_stuckFolders.end()).join(QStringLiteral(", "));
        m_report.notices.append(
            (m_report.notRemoved == 1 ? QStringLiteral("1 message was") : QStringLiteral("%1 messages were").arg(m_report.notRemoved))
            + QStringLiteral(" taken into the inbox but could not be removed from %1, where you may add files but not "
                             "delete them. Quindle remembers them and will not take them again; ask whoever keeps the "
                             "folder to remove them.")
                  .arg(folders));
    }

private:
    QString m_name;
    Folder m_own;
    std::string m_datafileName;
    Folder m_dataFolder;
    std::string m_datafileLeaf;
    TInboxData &m_inbox;
    TMessageRecord &m_incoming;
    AddressSnapshot m_addresses;
    PathMap m_pathMap;
    QStringList m_otherNames;
    std::map<std::string, std::unique_ptr<Folder>> m_servers;
    const MailCallbacks &m_callbacks;
    MailCallbacks m_pumping; // m_callbacks, noting every pump
    bool m_pumped = false;
    QElapsedTimer m_sincePump;
    int m_stepsSincePump = 0; // names listed and drop files looked for
    bool m_counting = false;   // m_waiting is not known yet
    int m_waiting = 0;
    File m_datafile;
    TakingJournal m_journal;
    TakenList m_taken;
    CollectReport m_report;
    DropRef m_current; // the drop file being taken
    std::uint64_t m_currentHash = 0;
    QString m_currentOwner;
    bool m_owners = false;
    // Drop files whose records are written but not yet flushed, in the order taken.
    std::vector<Written> m_written;
    bool m_removed = true; // the last settle deleted its drop files
    QSet<QString> m_stuckFolders;
    std::size_t m_slot = 0;
};

} // namespace

std::string takingJournalName(const std::string &inboxFileName)
{
    return inboxFileName + ".taking";
}

std::string takenListName(const std::string &inboxFileName)
{
    return inboxFileName + ".taken";
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
        if (collector) {
            collector->abandon();
            collector->sayStuck();
        }
        throw CollectError(error, collector ? collector->report() : report);
    }
    collector->sayStuck();
    report = collector->report();
    report.showInBox = true;
    return report;
}
