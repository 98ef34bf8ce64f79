#include "InboxMarks.h"

#include "FileOps.h"
#include "IoError.h"

#include <cstring>

namespace {

constexpr char Magic[8] = {'Q', 'D', 'X', 'M', 'A', 'R', 'K', '1'};
constexpr std::size_t HeaderSize = 16; // magic, count
constexpr std::size_t EntrySize = 24;  // hash, received, flags, reserved
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
    if (std::memcmp(bytes.data(), Magic, sizeof Magic) != 0 || count > MostMarks
        || bytes.size() != HeaderSize + count * EntrySize + TrailerSize
        || get<std::uint64_t>(bytes, bytes.size() - TrailerSize) != hashBytes(bytes.data(), bytes.size() - TrailerSize))
        return;
    m_marks.resize(std::size_t(count));
    for (std::size_t i = 0; i < m_marks.size(); ++i) {
        const std::size_t at = HeaderSize + i * EntrySize;
        const auto flags = get<std::uint32_t>(bytes, at + 16);
        m_marks[i] = Mark{get<std::uint64_t>(bytes, at), get<std::int64_t>(bytes, at + 8), (flags & Read) != 0,
                          (flags & Known) != 0, (flags & Free) != 0};
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
            mark = Mark{hash, 0, false, false, true};
        else if (arrived)
            mark = Mark{hash, now, false, true, false};
        else
            mark = Mark{hash, 0, false, false, false};
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
    for (const Mark &mark : m_marks) {
        put<std::uint64_t>(bytes, mark.hash);
        put<std::int64_t>(bytes, mark.received);
        put<std::uint32_t>(bytes, (mark.read ? Read : 0) | (mark.known ? Known : 0) | (mark.free ? Free : 0));
        put<std::uint32_t>(bytes, 0);
    }
    put<std::uint64_t>(bytes, hashBytes(bytes.data(), bytes.size()));
    if (!m_fileName.empty())
        replaceFile(m_fileName, bytes.data(), bytes.size());
}

int TInboxMarks::unread() const
{
    int count = 0;
    for (const Mark &mark : m_marks)
        count += mark.known && !mark.read && !mark.free;
    return count;
}
