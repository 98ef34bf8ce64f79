#include "BodySearch.h"

#include "RtfBody.h"

#include <QElapsedTimer>

#include <algorithm>
#include <bit>
#include <cstring>

namespace {
constexpr char WordStart = '\1';
}

void BodySearch::Bits::assign(std::size_t n)
{
    words.assign((n + 63) / 64, 0);
    size = n;
}

void BodySearch::Bits::push(bool value)
{
    if (size % 64 == 0)
        words.push_back(0);
    if (value)
        set(size);
    ++size;
}

std::size_t BodySearch::Bits::count() const
{
    std::size_t n = 0;
    for (std::uint64_t w : words)
        n += std::size_t(std::popcount(w));
    return n;
}

std::vector<std::string> BodySearch::wordsOf(const QString &text)
{
    std::vector<std::string> words;
    QString word;
    const auto flush = [&] {
        if (!word.isEmpty())
            words.push_back(word.toCaseFolded().toStdString());
        word.clear();
    };
    for (QChar c : text) {
        if (c.isLetterOrNumber())
            word += c;
        else
            flush();
    }
    flush();
    return words;
}

std::uint32_t BodySearch::idOf(const std::string &word)
{
    const auto [at, added] = m_ids.try_emplace(word, std::uint32_t(m_starts.size()));
    if (added) {
        m_vocabulary += WordStart;
        m_starts.push_back(std::uint32_t(m_vocabulary.size()));
        m_vocabulary += word;
        m_holders.emplace_back();
        // The query in force learns the new word too.
        for (Term &term : m_terms)
            term.holds.push(word.find(term.word) != std::string::npos);
    }
    return at->second;
}

std::uint32_t BodySearch::addBody(std::span<const std::uint32_t> words)
{
    const auto body = std::uint32_t(m_bodyEnds.size());
    for (std::uint32_t id : words)
        m_holders[id].push_back(body);
    m_bodyWords.insert(m_bodyWords.end(), words.begin(), words.end());
    m_bodyEnds.push_back(m_bodyWords.size());
    return body;
}

std::span<const std::uint32_t> BodySearch::wordsOfBody(std::uint32_t body) const
{
    const std::size_t begin = body == 0 ? 0 : m_bodyEnds[body - 1];
    return {m_bodyWords.data() + begin, m_bodyEnds[body] - begin};
}

void BodySearch::follow(const TInboxData &inbox, const TInboxMarks &marks)
{
    const std::size_t count = std::min<std::size_t>(inbox.size(), std::size_t(std::max(marks.size(), 0)));
    // Called on every keystroke: nothing to do unless a slot changed.
    bool changed = count != m_slots.size();
    for (std::size_t i = 0; i < count && !changed; ++i)
        changed = m_slots[i].hash != marks[int(i)].hash;
    if (!changed)
        return;
    m_slots.resize(count);
    m_waiting.clear();
    for (std::size_t i = count; i-- > 0;) {
        Slot &slot = m_slots[i];
        const std::uint64_t hash = marks[int(i)].hash;
        if (slot.hash != hash || slot.body == NotRead) {
            const auto known = m_byHash.find(hash);
            slot.hash = hash;
            slot.body = known == m_byHash.end() ? NotRead : known->second;
        }
        if (slot.body == NotRead && inbox[i].isEmpty())
            slot.body = NoWords;
        if (slot.body == NotRead)
            m_waiting.push_back(int(i));
    }
    dropUnusedBodies();
}

void BodySearch::dropUnusedBodies()
{
    std::vector<std::uint32_t> renumbered(m_bodyEnds.size(), NotRead);
    std::size_t used = 0;
    for (const Slot &slot : m_slots) {
        if (slot.body < NoWords && renumbered[slot.body] == NotRead)
            renumbered[slot.body] = std::uint32_t(used++);
    }
    // Kept a while, a body costs nothing per keystroke; renumbering costs as much as reading
    // the postings once.
    if (m_bodyEnds.size() - used <= std::max<std::size_t>(used, 1024))
        return;
    std::vector<std::uint32_t> order(used);
    for (std::size_t b = 0; b < renumbered.size(); ++b) {
        if (renumbered[b] != NotRead)
            order[renumbered[b]] = std::uint32_t(b);
    }
    const std::vector<std::uint32_t> bodyWords = std::move(m_bodyWords);
    const std::vector<std::size_t> bodyEnds = std::move(m_bodyEnds);
    for (Slot &slot : m_slots) {
        if (slot.body < NoWords)
            slot.body = renumbered[slot.body];
    }
    for (auto at = m_byHash.begin(); at != m_byHash.end();) {
        at->second = renumbered[at->second];
        at = at->second == NotRead ? m_byHash.erase(at) : std::next(at);
    }
    m_bodyWords.clear();
    m_bodyEnds.clear();
    for (std::vector<std::uint32_t> &holders : m_holders)
        holders.clear();
    for (const std::uint32_t b : order) {
        const std::size_t begin = b == 0 ? 0 : bodyEnds[b - 1];
        addBody(std::span(bodyWords).subspan(begin, bodyEnds[b] - begin));
    }
    evaluateQuery();
}

bool BodySearch::prepare(const TInboxData &inbox, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!m_waiting.empty() && timer.elapsed() < milliseconds) {
        const int i = m_waiting.back();
        m_waiting.pop_back();
        if (std::size_t(i) >= inbox.size())
            continue;
        Slot &slot = m_slots[std::size_t(i)];
        // The same record in another slot (a copy from each server folder) is read once.
        if (const auto known = m_byHash.find(slot.hash); known != m_byHash.end()) {
            slot.body = known->second;
            continue;
        }
        const rtf::Body body = rtf::parse(inbox[std::size_t(i)].Body());
        Words words;
        for (const std::string &word : wordsOf(rtf::terminalText(body)))
            words.push_back(idOf(word));
        std::sort(words.begin(), words.end());
        words.erase(std::unique(words.begin(), words.end()), words.end());
        slot.body = addBody(words);
        m_byHash[slot.hash] = slot.body;
    }
    return m_waiting.empty();
}

void BodySearch::setQuery(const QString &text, int rows)
{
    m_queryWords = wordsOf(text);
    m_queryRows = rows;
    evaluateQuery();
}

void BodySearch::evaluateQuery()
{
    m_terms.clear();
    m_anyByPostings = false;
    m_queryBodies = m_bodyEnds.size();
    for (const std::string &word : m_queryWords) {
        Term term;
        term.word = word;
        term.holds.assign(m_starts.size());
        // One pass over every word known: where the query word stands, the word around it holds it.
        const char *const begin = m_vocabulary.data();
        const char *const end = begin + m_vocabulary.size();
        const char *from = begin;
        while (const void *hit = memmem(from, std::size_t(end - from), word.data(), word.size())) {
            const auto offset = std::uint32_t(static_cast<const char *>(hit) - begin);
            const auto id = std::uint32_t(std::upper_bound(m_starts.begin(), m_starts.end(), offset) - m_starts.begin() - 1);
            term.holds.set(id);
            term.postings += m_holders[id].size();
            // On to the next word: the rest of this one adds nothing.
            from = begin + (id + 1 < m_starts.size() ? m_starts[id + 1] : m_vocabulary.size());
        }
        m_terms.push_back(std::move(term));
    }
    // The rarest word first: it rules out the most bodies.
    std::stable_sort(m_terms.begin(), m_terms.end(),
                     [](const Term &a, const Term &b) { return a.postings < b.postings; });
    // A word is answered for every body at once from the bodies each of its ids lists, or
    // body by body from its words, whichever looks at fewer: a body holding many ids of the
    // word is answered by its first few words.
    const double bodies = double(std::max<std::size_t>(m_bodyEnds.size(), 1));
    const double wordsPerBody = double(m_bodyWords.size()) / bodies;
    double rows = std::min(double(std::max(m_queryRows, 0)), bodies);
    for (Term &term : m_terms) {
        const double scanned = rows * wordsPerBody * bodies / (double(term.postings) + bodies);
        term.byPostings = double(term.postings) <= 2 * scanned;
        if (!term.byPostings)
            continue;
        Bits hits;
        hits.assign(m_bodyEnds.size());
        for (std::size_t w = 0; w < term.holds.words.size(); ++w) {
            for (std::uint64_t bits = term.holds.words[w]; bits != 0; bits &= bits - 1) {
                const std::size_t id = w * 64 + std::size_t(std::countr_zero(bits));
                for (std::uint32_t body : m_holders[id])
                    hits.set(body);
            }
        }
        if (m_anyByPostings) {
            for (std::size_t w = 0; w < hits.words.size(); ++w)
                m_bodyHits.words[w] &= hits.words[w];
        } else {
            m_bodyHits = std::move(hits);
            m_anyByPostings = true;
        }
        rows *= double(m_bodyHits.count()) / bodies;
    }
}

bool BodySearch::holdsTerm(std::span<const std::uint32_t> words, const Term &term) const
{
    // From both ends: the ids of words met early (the common ones) lie at the front, those of
    // rare words at the back, and a word typed is mostly in one or the other.
    const std::uint32_t *front = words.data();
    const std::uint32_t *back = front + words.size();
    while (front < back) {
        if (term.holds.test(*front++))
            return true;
        if (front < back && term.holds.test(*--back))
            return true;
    }
    return false;
}

bool BodySearch::matches(int slot) const
{
    if (m_terms.empty() || slot < 0 || slot >= int(m_slots.size()))
        return false;
    const std::uint32_t body = m_slots[std::size_t(slot)].body;
    if (body >= NoWords)
        return false;
    // A body read after the query was set has no answer in m_bodyHits yet.
    const bool known = body < m_queryBodies;
    if (known && m_anyByPostings && !m_bodyHits.test(body))
        return false;
    const std::span<const std::uint32_t> words = wordsOfBody(body);
    return std::all_of(m_terms.begin(), m_terms.end(), [&](const Term &term) {
        return (known && term.byPostings) || holdsTerm(words, term);
    });
}
