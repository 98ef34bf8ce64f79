#pragma once

#include "MessageRecord.h"

#include <QString>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// What this program knows of each inbox slot beyond the record: when the message was
// collected and whether it has been read. It lives in "InBox.qdx" beside the datafile, a
// file that other copies of the program never read or write. Each mark carries a hash of
// its slot's record, so a slot that another program changed counts as unknown rather than
// wrongly dated; a missing or damaged file only loses the marks, never mail.
class TInboxMarks
{
public:
    struct Mark
    {
        std::uint64_t hash = 0;
        std::int64_t received = 0; // milliseconds since the epoch; 0 when unknown
        bool read = false;
        bool known = false; // the message came in while marks were kept
        bool free = true;   // the slot was free when the marks were last brought in step
        // The login of the account that owned the drop file the message came in, where the
        // folder's file system keeps owners; empty when unknown.
        QString account;
    };

    // "InBox.qdi" -> "InBox.qdx"; any other name gets ".qdx" appended.
    static std::string fileName(const std::string &datafileName);
    static std::uint64_t hashOf(const TMessageRecord &record);

    // Reads the marks beside the datafile; a missing or damaged file gives none, and every
    // message then counts as unknown.
    void load(const std::string &datafileName);
    // Brings the marks in step with the array: a slot whose record still matches keeps its
    // mark; a message in a slot that was free (or beyond the marks) arrived at `now`,
    // unread; any other change makes the slot unknown. Answers whether anything changed.
    bool update(const TInboxData &inbox, std::int64_t now);
    // The accounts a collection found, by the hash of each record: each goes to a mark of
    // that hash that has none yet. Answers whether anything changed.
    bool setAccounts(const std::vector<std::pair<std::uint64_t, QString>> &accounts);
    // The free slots were removed from the datafile, the others kept in order.
    void compacted();
    // Answers whether the mark changed.
    bool markRead(int slot);
    // Writes the whole file under a temporary name beside it and renames it into place.
    void save() const;

    int size() const { return int(m_marks.size()); }
    const Mark &operator[](int slot) const { return m_marks[std::size_t(slot)]; }
    int unread() const;

private:
    std::string m_fileName;
    std::vector<Mark> m_marks;
    // The marks describe the slots as they were when last saved by us; when not, a message
    // beyond them may have been there all along.
    bool m_trusted = false;
};
