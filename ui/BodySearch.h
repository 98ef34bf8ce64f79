#pragma once

#include "InboxMarks.h"
#include "MessageRecord.h"

#include <QString>

#include <cstdint>
#include <span>
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
    // in any letter case). A text without a letter or digit matches no body. `rows` is how
    // many slots matches() will be asked about, which decides how the words are looked for.
    void setQuery(const QString &text, int rows);
    bool queryHasWords() const { return !m_queryWords.empty(); }
    // The slot's body is read and holds every word of the query.
    bool matches(int slot) const;

    // A word: letters and digits, case-folded, as UTF-8.
    static std::vector<std::string> wordsOf(const QString &text);

private:
    using Words = std::vector<std::uint32_t>; // vocabulary ids, ascending, each once

    // A set of small numbers (vocabulary ids, body numbers).
    struct Bits
    {
        std::vector<std::uint64_t> words;
        std::size_t size = 0;
        void assign(std::size_t n);
        void push(bool value);
        void set(std::size_t i) { words[i / 64] |= std::uint64_t(1) << (i % 64); }
        bool test(std::size_t i) const { return (words[i / 64] >> (i % 64)) & 1; }
        std::size_t count() const;
    };

    // One word of the query: the vocabulary ids that hold it, and how many (body, id)
    // pairs those are.
    struct Term
    {
        std::string word;
        Bits holds;
        std::size_t postings = 0;
        bool byPostings = false; // answered for the bodies known at setQuery in m_bodyHits
    };

    // Body numbers of a slot that holds no body to look at.
    static constexpr std::uint32_t NotRead = UINT32_MAX;
    static constexpr std::uint32_t NoWords = UINT32_MAX - 1;

    std::uint32_t idOf(const std::string &word);
    std::uint32_t addBody(std::span<const std::uint32_t> words);
    std::span<const std::uint32_t> wordsOfBody(std::uint32_t body) const;
    bool holdsTerm(std::span<const std::uint32_t> words, const Term &term) const;
    // Renumbers the bodies some slot still shows, when the others outnumber them.
    void dropUnusedBodies();
    // Works out the terms of m_queryWords over the bodies read so far.
    void evaluateQuery();

    struct Slot
    {
        std::uint64_t hash = 0;
        std::uint32_t body = NotRead;
    };
    std::vector<Slot> m_slots;
    std::vector<int> m_waiting; // slots to read, last first
    std::unordered_map<std::uint64_t, std::uint32_t> m_byHash;

    // The words of each body read, one body after another in the order they were read (so
    // mostly the slots' order), and per vocabulary id the bodies holding it.
    std::vector<std::uint32_t> m_bodyWords;
    std::vector<std::size_t> m_bodyEnds; // one past each body's words
    std::vector<std::vector<std::uint32_t>> m_holders;

    // Every word met, each once: "\1word\1word..." with the start of each, for one search
    // over all of them per query word.
    std::string m_vocabulary;
    std::vector<std::uint32_t> m_starts;
    std::unordered_map<std::string, std::uint32_t> m_ids;

    // The query in force, rarest word first; the bodies known when it was set that hold
    // every word answered by postings.
    std::vector<std::string> m_queryWords;
    int m_queryRows = 0;
    std::vector<Term> m_terms;
    Bits m_bodyHits;
    bool m_anyByPostings = false;
    std::size_t m_queryBodies = 0;
};
