#include "Send.h"

#include "Acl.h"
#include "AddressFile.h"
#include "CopyProgress.h"
#include "Destinations.h"
#include "DropFiles.h"
#include "FileOps.h"
#include "IoError.h"
#include "Paths.h"

#include <map>
#include <pwd.h>
#include <memory>
#include <vector>

namespace {

struct AddressCopy
{
    std::string folder;
    bool server = false; // the Server byte is 1
};

// What a sender leaves in a server folder is shared with the recipient's account alone,
// where the office records one for the name; it reads nothing else there.
std::function<void(File &)> shareWith(const QString &addressFolder, const QString &recipient)
{
    const QString login = officeAccount(addressFolder, recipient);
    const struct passwd *pw = login.isEmpty() ? nullptr : ::getpwnam(login.toLocal8Bit().constData());
    if (!pw)
        return {};
    const uid_t uid = pw->pw_uid;
    return [uid](File &file) { grantUser(file.descriptor(), uid); };
}

class Sender
{
public:
    Sender(const TMessageRecord &outgoing, const TSlotTexts &attachPaths, const TAddressData &addresses,
           const MailCallbacks &callbacks, const QString &addressFolder = QString(), const PathMap &pathMap = {})
        : m_outgoing(outgoing)
        , m_attachPaths(attachPaths)
        , m_callbacks(callbacks)
        , m_addressFolder(addressFolder)
        , m_pathMap(pathMap)
    {
        for (const TAddressRec &entry : addresses)
            m_addresses.push_back({pathFromText(entry.InBox()), entry.Server() == 1});
    }

    SendReport run()
    {
        for (int k = 1; k <= TMessageRecord::SlotCount; ++k) {
            if (m_callbacks.stop()) {
                m_report.stopped = true;
                break;
            }
            slot(k);
        }
        return m_report;
    }

private:
    // The attachment names of one destination folder, slot j at j - 1; empty where nothing
    // was copied.
    using Names = std::array<QString, TMessageRecord::SlotCount>;

    // Each folder is opened once for the whole send; one that is not there, or is a link,
    // is no destination.
    const Folder &folder(const std::string &text)
    {
        auto it = m_folders.find(text);
        if (it == m_folders.end())
            it = m_folders.emplace(text, std::make_unique<Folder>(openDestination(textFromPath(text), m_pathMap))).first;
        return *it->second;
    }

    void slot(int k)
    {
        const QString recipient = m_outgoing.ToName(k);
        const std::string folderText = pathFromText(m_outgoing.ToFolder(k));
        if (folderText.empty())
            return;
        RecipientResult result{recipient, m_outgoing.ToFolder(k), {}, {}};
        const QString problem = recipientNameProblem(recipient);
        if (!problem.isEmpty()) {
            m_report.notices.append(problem + QStringLiteral(" Nothing was sent to it."));
            result.problem = problem;
            m_report.recipients.push_back(result);
            return;
        }
        const Folder &direct = folder(folderText);
        if (direct.isOpen()) {
            const Names names = placeAll(direct, recipient);
            m_callbacks.pump();
            deliver(direct, recipient, names, {});
            result.reached.append(shown(folderText, direct));
            m_report.recipients.push_back(result);
            return;
        }
        result.problem = QString::fromLocal8Bit(direct.why().c_str());
        const std::function<void(File &)> share = shareWith(m_addressFolder, recipient);
        std::map<std::string, Names> names;
        for (const AddressCopy &entry : m_addresses) {
            if (entry.server && folder(entry.folder).isOpen() && !names.count(entry.folder))
                names[entry.folder] = placeAll(folder(entry.folder), recipient, share);
        }
        for (std::size_t index = 0; index < m_addresses.size(); ++index) {
            m_callbacks.pump();
            const AddressCopy &entry = m_addresses[index];
            if (!entry.server || !folder(entry.folder).isOpen())
                continue;
            // A failure here leaves no message for the copies counted in the folders after it.
            std::vector<std::pair<const Folder *, Names>> later;
            for (std::size_t after = index + 1; after < m_addresses.size(); ++after) {
                const auto it = names.find(m_addresses[after].folder);
                if (m_addresses[after].server && it != names.end() && m_addresses[after].folder != entry.folder)
                    later.emplace_back(&folder(it->first), it->second);
            }
            deliver(folder(entry.folder), recipient, names[entry.folder], later, share);
            result.reached.append(shown(entry.folder, folder(entry.folder)));
        }
        m_report.recipients.push_back(result);
    }

    // A folder as the address book names it, and where that is here when it differs.
    static QString shown(const std::string &text, const Folder &opened)
    {
        if (opened.text() == text)
            return textFromPath(text);
        return QStringLiteral("%1 (here %2)").arg(textFromPath(text), textFromPath(opened.text()));
    }

    // Runs each attachment slot whose source exists through copy(j, source); one whose
    // source is gone is left out of recipient's message, with a notice.
    template<class Copy>
    void attachments(const QString &recipient, const Copy &copy)
    {
        for (int j = 1; j <= TMessageRecord::SlotCount; ++j) {
            const std::string source = pathFromText(m_attachPaths[std::size_t(j - 1)]);
            if (m_outgoing.AttachName(j).isEmpty())
                continue;
            if (fileExists(source)) {
                copy(j, source);
                continue;
            }
            ++m_report.attachmentsLeftOut;
            const QString notice = QStringLiteral("The attachment %1 was not sent to %2: %3 does not exist.")
                                       .arg(m_outgoing.AttachName(j), recipient, textFromPath(source));
            if (!m_report.notices.contains(notice))
                m_report.notices.append(notice);
        }
    }

    // Every attachment of the message into one destination folder: copied one by one with
    // the progress bar, then named and counted under one hold of the folder's lock, so a
    // collector never deletes a file this message brings.
    Names placeAll(const Folder &destination, const QString &recipient, const std::function<void(File &)> &share = {})
    {
        Names names;
        std::vector<int> taken;
        std::vector<AttachmentCopy> copies;
        std::vector<std::unique_ptr<CopyProgress>> progress;
        attachments(recipient, [&](int j, const std::string &source) {
            AttachmentCopy copy;
            try {
                copy.source = File::openRegularRead(source);
            } catch (const IoError &error) {
                throw IoError(error.code(), QStringLiteral("The attachment %1 could not be read: %2")
                                                .arg(textFromPath(source), QString::fromLocal8Bit(error.what()))
                                                .toLocal8Bit()
                                                .toStdString());
            }
            copy.name = m_outgoing.AttachName(j);
            progress.push_back(std::make_unique<CopyProgress>(m_callbacks, true));
            copy.callbacks = progress.back()->callbacks();
            copy.afterCopy = [this, p = progress.back().get()] {
                p->finish();
                m_callbacks.hide();
            };
            taken.push_back(j);
            copies.push_back(std::move(copy));
        });
        if (copies.empty())
            return names;
        const std::vector<QString> placed =
            PlaceAttachments(destination, copies, true, [this] { m_callbacks.pump(); }, share);
        for (std::size_t i = 0; i < taken.size(); ++i)
            names[std::size_t(taken[i] - 1)] = placed[i];
        m_report.attachmentCopies += int(copies.size());
        return names;
    }

    // The drop file for this folder names the attachments as they stand there, and none that
    // was left out: a collector would take another message's file of that name. When it
    // cannot be written, the copies counted for it (and for the folders that will now get
    // no message either) are taken back, or they would stay for ever.
    void deliver(const Folder &destination, const QString &recipient, const Names &names,
                 const std::vector<std::pair<const Folder *, Names>> &later,
                 const std::function<void(File &)> &share = {})
    {
        TMessageRecord record = m_outgoing;
        for (int j = 1; j <= TMessageRecord::SlotCount; ++j) {
            const QString &name = names[std::size_t(j - 1)];
            if (name != record.AttachName(j))
                record.setAttachName(j, name);
        }
        try {
            // Not flushed: on a share the close hands the bytes to the server, and a flush
            // would cost each recipient a round trip more.
            WriteDropFile(destination, recipient, record, DropFlush::None, share);
        } catch (...) {
            withdraw(destination, names);
            for (const auto &[laterFolder, laterNames] : later)
                withdraw(*laterFolder, laterNames);
            throw;
        }
        ++m_report.dropFiles;
    }

    static void withdraw(const Folder &destination, const Names &names)
    {
        for (const QString &name : names) {
            if (!name.isEmpty())
                WithdrawAttachment(destination, name);
        }
    }

    const TMessageRecord m_outgoing;
    const TSlotTexts m_attachPaths;
    std::vector<AddressCopy> m_addresses;
    std::map<std::string, std::unique_ptr<Folder>> m_folders;
    const MailCallbacks &m_callbacks;
    QString m_addressFolder;
    PathMap m_pathMap;
    SendReport m_report;
};

} // namespace

QString unreachedText(const RecipientResult &result, const QStringList &notices)
{
    if (!result.reached.isEmpty() || notices.contains(result.problem + QStringLiteral(" Nothing was sent to it.")))
        return QString();
    return QStringLiteral("not reached: %1: %2, and no server folder took it")
        .arg(result.name, result.problem.isEmpty() ? result.folder : result.problem);
}

SendReport sendMessage(const TMessageRecord &outgoing, const TSlotTexts &AttachPaths, const TAddressData &addresses,
                       const MailCallbacks &callbacks)
{
    MailRunGuard guard;
    if (!guard.acquired()) {
        SendReport refused;
        refused.outcome = MailOutcome::Refused;
        return refused;
    }
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
    if (MessageReady != 1) {
        if (report.message.isEmpty())
            report.message = EmptyBodyMessage;
        return report;
    }
    report.sent = Sender(outgoing, AttachPaths, addresses, callbacks, view.addressFolder, view.pathMap).run();
    report.message = MessagesSentMessage;
    return report;
}
