#include "InboxMarks.h"

#include "FileOps.h"
#include "IoError.h"
#include "PrivateFiles.h"

#include <algorithm>
#include <cstring>

namespace {

// The first version kept no accounts; it is still read.
constexpr char MagicWithoutAccounts[8] = {'Q', 'D', 'X', 'M', 'A', 'R', 'K', '1'};
constexpr char Magic[8] = {'Q', 'D', 'X', 'M', 'A', 'R', 'K', '2'};
constexpr std::size_t HeaderSize = 16; // magic, count
constexpr std::size_t EntrySize = 24;  // hash, received, flags, account (1-based in the table; 0 none)
// After the entries: the accounts, a count, then each as its length (16 bits) and UTF-8.
constexpr std::size_t TrailerSize = 8; // hash of everything before it
constexpr std::uint32_t Read = 1;
constexpr std::uint32_t Known = 2;
constexpr std::uint32_t Free = 4;
// A file claiming more marks than this is damaged, not an inbox.
constexpr std::uint64_t MostMarks = 1u << 26;

std::uint64_t mix(std::uint64_t h)
{
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return h;
}

std::uint64_t hashBytes(const char *data, std::size_t size)
{
    std::uint64_t h = 0x9e3779b97f4a7c15ULL ^ size;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, 8);
        h = (h ^ word) * 0x100000001b3ULL;
        h ^= h >> 29;
    }
    for (; i < size; ++i)
        h = (h ^ std::uint8_t(data[i])) * 0x100000001b3ULL;
    return mix(h);
}

template<class T>
void put(std::string &out, T value)
{
    out.append(reinterpret_cast<const char *>(&value), sizeof value);
}

template<class T>
T get(const std::string &in, std::size_t at)
{
    T value;
    std::memcpy(&value, in.data() + at, sizeof value);
    return value;
}

} // namespace

std::string TInboxMarks::fileName(const std::string &datafileName)
{
    const std::string suffix = ".qdi";
    if (datafileName.size() >= suffix.size()
        && datafileName.compare(datafileName.size() - suffix.size(), suffix.size(), suffix) == 0)
        return datafileName.substr(0, datafileName.size() - suffix.size()) + ".qdx";
    return datafileName + ".qdx";
}

std::uint64_t TInboxMarks::hashOf(const TMessageRecord &record)
{
    return hashBytes(record.bytes.data(), record.bytes.size());
}

void TInboxMarks::load(const std::string &datafileName)
{
    m_fileName = fileName(datafileName);
    m_marks.clear();
    m_trusted = false;
    std::string bytes;
    try {
        if (!fileExists(m_fileName))
            return;
        File file = File::openRead(m_fileName);
        const std::int64_t size = file.size();
        if (size < std::int64_t(HeaderSize + TrailerSize) || size > std::int64_t(HeaderSize + TrailerSize + MostMarks * EntrySize))
            return;
        bytes.resize(std::size_t(size));
        file.readAt(0, bytes.data(), bytes.size());
    } catch (const IoError &) {
        return; // unreadable marks are lost marks
    }
    const std::uint64_t count = get<std::uint64_t>(bytes, 8);
    const bool accounts = std::memcmp(bytes.data(), Magic, sizeof Magic) == 0;
    if ((!accounts && std::memcmp(bytes.data(), MagicWithoutAccounts, sizeof Magic) != 0) || count > MostMarks
        || bytes.size() < HeaderSize + count * EntrySize + TrailerSize
        || get<std::uint64_t>(bytes, bytes.size() - TrailerSize) != hashBytes(bytes.data(), bytes.size() - TrailerSize))
        return;
    std::vector<QString> table;
    std::size_t at = HeaderSize + count * EntrySize;
    const std::size_t end = bytes.size() - TrailerSize;
    if (accounts) {
        if (at + 4 > end)
            return;
        const auto n = get<std::uint32_t>(bytes, at);
        at += 4;
        for (std::uint32_t i = 0; i < n; ++i) {
            if (at + 2 > end)
                return;
            const auto length = get<std::uint16_t>(bytes, at);
            at += 2;
            if (at + length > end)
                return;
            table.push_back(QString::fromUtf8(bytes.data() + at, length));
            at += length;
        }
    }
    if (at != end)
        return;
    m_marks.resize(std::size_t(count));
    for (std::size_t i = 0; i < m_marks.size(); ++i) {
        const std::size_t entry = HeaderSize + i * EntrySize;
        const auto flags = get<std::uint32_t>(bytes, entry + 16);
        const auto account = get<std::uint32_t>(bytes, entry + 20);
        m_marks[i] = Mark{get<std::uint64_t>(bytes, entry), get<std::int64_t>(bytes, entry + 8), (flags & Read) != 0,
                          (flags & Known) != 0, (flags & Free) != 0,
                          account > 0 && account <= table.size() ? table[account - 1] : QString()};
    }
    m_trusted = true;
}

bool TInboxMarks::update(const TInboxData &inbox, std::int64_t now)
{
    bool changed = m_marks.size() != inbox.size();
    const std::size_t before = m_marks.size();
    m_marks.resize(inbox.size());
    for (std::size_t i = 0; i < inbox.size(); ++i) {
        Mark &mark = m_marks[i];
        const std::uint64_t hash = hashOf(inbox[i]);
        if (i < before && mark.hash == hash)
            continue;
        const bool arrived = i < before ? mark.free : m_trusted;
        if (inbox[i].isEmpty())
            mark = Mark{hash, 0, false, false, true, {}};
        else if (arrived)
            mark = Mark{hash, now, false, true, false, {}};
        else
            mark = Mark{hash, 0, false, false, false, {}};
        changed = true;
    }
    m_trusted = true;
    return changed;
}

void TInboxMarks::compacted()
{
    std::vector<Mark> kept;
    for (const Mark &mark : m_marks) {
        if (!mark.free)
            kept.push_back(mark);
    }
    m_marks = std::move(kept);
}

bool TInboxMarks::setAccounts(const std::vector<std::pair<std::uint64_t, QString>> &accounts)
{
    bool changed = false;
    for (const auto &[hash, account] : accounts) {
        if (account.isEmpty())
            continue;
        for (Mark &mark : m_marks) {
            if (mark.hash == hash && !mark.free && mark.account.isEmpty()) {
                mark.account = account;
                changed = true;
                break;
            }
        }
    }
    return changed;
}

bool TInboxMarks::markRead(int slot)
{
    if (slot < 0 || slot >= size() || m_marks[std::size_t(slot)].read || !m_marks[std::size_t(slot)].known)
        return false;
    m_marks[std::size_t(slot)].read = true;
    return true;
}

void TInboxMarks::save() const
{
    std::string bytes(Magic, sizeof Magic);
    put<std::uint64_t>(bytes, m_marks.size());
    std::vector<QString> table;
    for (const Mark &mark : m_marks) {
        put<std::uint64_t>(bytes, mark.hash);
        put<std::int64_t>(bytes, mark.received);
        put<std::uint32_t>(bytes, (mark.read ? Read : 0) | (mark.known ? Known : 0) | (mark.free ? Free : 0));
        std::uint32_t account = 0;
        if (!mark.account.isEmpty()) {
            const auto it = std::find(table.begin(), table.end(), mark.account);
            account = std::uint32_t(it - table.begin()) + 1;
            if (it == table.end())
                table.push_back(mark.account);
        }
        put<std::uint32_t>(bytes, account);
    }
    put<std::uint32_t>(bytes, std::uint32_t(table.size()));
    for (const QString &account : table) {
        const QByteArray utf8 = account.toUtf8().left(0xFFFF);
        put<std::uint16_t>(bytes, std::uint16_t(utf8.size()));
        bytes.append(utf8.constData(), std::size_t(utf8.size()));
    }
    put<std::uint64_t>(bytes, hashBytes(bytes.data(), bytes.size()));
    if (!m_fileName.empty())
        replaceFile(m_fileName, bytes.data(), bytes.size(), false, PrivateFileMode);
}

int TInboxMarks::unread() const
{
    int count = 0;
    for (const Mark &mark : m_marks)
        count += mark.known && !mark.read && !mark.free;
    return count;
}
