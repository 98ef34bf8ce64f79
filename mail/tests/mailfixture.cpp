#include "mailfixture.h"

#include "AddressFile.h"
#include "DropFiles.h"
#include "InboxFile.h"
#include "ProfileFile.h"
#include "RecordFile.h"

#include <algorithm>
#include <filesystem>

void writeAddressList(const std::string &folder, const std::vector<AddressEntry> &entries)
{
    const std::string name = addressFileName(qs(folder));
    writeAll(name, "");
    const TAddressData data = makeAddresses(entries);
    for (std::size_t i = 0; i < data.size(); ++i)
        writeRecordAt(name, std::int64_t(i), data[i]);
}

TAddressData makeAddresses(const std::vector<AddressEntry> &entries)
{
    TAddressData data;
    for (const AddressEntry &entry : entries) {
        TAddressRec rec;
        rec.setName(qs(entry.name));
        rec.setInBox(qs(entry.folder));
        rec.setServer(entry.server ? 1 : 0);
        data.push_back(rec);
    }
    return data;
}

TMessageRecord makeRecord(const std::string &from, const std::string &subject,
                          const std::vector<std::string> &attachNames)
{
    TMessageRecord record;
    record.setFrom(qs(from));
    record.setSubject(qs(subject));
    for (std::size_t k = 0; k < attachNames.size(); ++k)
        record.setAttachName(int(k) + 1, qs(attachNames[k]));
    return record;
}

std::string recordBytes(const TMessageRecord &record)
{
    return std::string(record.bytes.data(), record.bytes.size());
}

MailCallbacks CallbackLog::callbacks()
{
    MailCallbacks c;
    c.processEvents = [this] { events.push_back("pump"); };
    c.showProgress = [this](std::int64_t max) { events.push_back("show " + std::to_string(max)); };
    c.advanceProgress = [this](std::int64_t step) { events.push_back("advance " + std::to_string(step)); };
    c.hideProgress = [this] { events.push_back("hide"); };
    return c;
}

int CallbackLog::count(const std::string &event) const
{
    return int(std::count(events.begin(), events.end(), event));
}

std::vector<std::string> CallbackLog::progressOnly() const
{
    std::vector<std::string> result;
    for (const std::string &e : events) {
        if (e != "pump")
            result.push_back(e);
    }
    return result;
}

User::User(const std::string &name, const std::string &programFolder_, const std::string &inboxFolder,
           const std::string &dataFolder, const std::string &addressFolder)
    : programFolder(programFolder_)
{
    settings.Name = qs(name);
    settings.MyDest = qs(inboxFolder);
    settings.InboxData = qs(dataFolder);
    settings.Addresses = qs(addressFolder);
    datafile = inboxFileName(settings.InboxData);
    inbox = loadInbox(datafile);
    reloadAddresses();
}

void User::reloadAddresses()
{
    addresses = loadAddresses(addressFileName(settings.Addresses));
}

SendCommandReport User::send(const std::vector<std::string> &to, const std::string &subject,
                             const std::vector<std::string> &attachPaths, const std::string &body)
{
    TNewView view;
    view.bodyRtf = QByteArray::fromStdString(body);
    TSlotTexts paths;
    for (std::size_t k = 0; k < to.size(); ++k)
        view.toCaptions[k] = qs(to[k]);
    for (std::size_t j = 0; j < attachPaths.size(); ++j) {
        paths[j] = qs(attachPaths[j]);
        view.attachCaptions[j] = attachmentCaption(paths[j]);
    }
    view.yourName = settings.Name;
    view.subject = qs(subject);
    return sendCommand(programFolder, view, paths, addresses, outgoing, MessageReady);
}

CollectReport User::collect(const MailCallbacks &callbacks)
{
    return collectMail(settings, datafile, inbox, incoming, addresses, callbacks);
}

std::vector<std::string> User::subjects() const
{
    std::vector<std::string> result;
    for (const TMessageRecord &record : inbox)
        result.push_back(record.isEmpty() ? std::string() : record.Subject().toStdString());
    return result;
}

std::vector<std::string> User::datafileSubjects() const
{
    std::vector<std::string> result;
    for (const TMessageRecord &record : readMessageFile(datafile).records)
        result.push_back(record.isEmpty() ? std::string() : record.Subject().toStdString());
    return result;
}

std::vector<std::string> listFolder(const std::string &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        // The locks beside Attach.ini and the datafile are bookkeeping, not mail.
        if (name.size() > 5 && name.compare(name.size() - 5, 5, ".lock") == 0)
            continue;
        names.push_back(entry.is_directory() ? name + "/" : name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string attachCount(const std::string &folder, const std::string &name)
{
    const TProfileFile ini(folder + "Attach.ini");
    const QString value = ini.ReadString(AttachmentsSection, qs(name), qs("-"));
    return value.toStdString();
}
