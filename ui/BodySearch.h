#pragma once

#include "InboxMarks.h"
#include "MessageRecord.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// The words of the message bodies, for the InBox search. Each body is read once into the
// case-folded words it holds, kept under its record's hash (the marks' hash), so that a
// compaction or a second showing reads nothing again and only a changed slot is read anew.
// Reading is done in pieces of a few milliseconds, between which the window takes events.
class BodySearch
{
public:
    // Brings the slots in step with the inbox, whose marks are in step with it: a slot
    // whose record is unchanged keeps its words; any other waits to be read.
    void follow(const TInboxData &inbox, const TInboxMarks &marks);
    // Reads waiting bodies for about `milliseconds`; answers whether all are read now.
    bool prepare(const TInboxData &inbox, int milliseconds);
    bool ready() const { return m_waiting.empty(); }
    int slotCount() const { return int(m_slots.size()); }
    int readCount() const { return slotCount() - int(m_waiting.size()); }

    // The words of a search text, each to be found in some word of a body (anywhere in it,
    // in any letter case). A text without a letter or digit matches no body.
    void setQuery(const QString &text);
    // The slot's body is read and holds every word of the query.
    bool matches(int slot) const;

    // A word: letters and digits, case-folded, as UTF-8.
    static std::vector<std::string> wordsOf(const QString &text);

private:
    using Words = std::vector<std::uint32_t>; // vocabulary ids, each once

    std::uint32_t idOf(const std::string &word);

    struct Slot
    {
        std::uint64_t hash = 0;
        std::shared_ptr<const Words> words; // null while not read
    };
    std::vector<Slot> m_slots;
    std::vector<int> m_waiting; // slots to read, last first
    std::unordered_map<std::uint64_t, std::shared_ptr<const Words>> m_byHash;

    // Every word met, each once: "\1word\1word..." with the start of each, for one search
    // over all of them per query word.
    std::string m_vocabulary;
    std::vector<std::uint32_t> m_starts;
    std::unordered_map<std::string, std::uint32_t> m_ids;

    // Per query word, which vocabulary ids hold it.
    std::vector<std::string> m_queryWords;
    std::vector<std::vector<bool>> m_query;
};
