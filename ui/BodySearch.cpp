#include "BodySearch.h"

#include "RtfBody.h"

#include <QByteArrayView>
#include <QElapsedTimer>

#include <algorithm>
#include <cstring>

namespace {
constexpr char WordStart = '\1';
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
        // The query in force learns the new word too.
        for (std::size_t q = 0; q < m_query.size(); ++q)
            m_query[q].push_back(word.find(m_queryWords[q]) != std::string::npos);
    }
    return at->second;
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
    std::unordered_map<std::uint64_t, std::shared_ptr<const Words>> kept;
    for (std::size_t i = count; i-- > 0;) {
        Slot &slot = m_slots[i];
        const std::uint64_t hash = marks[int(i)].hash;
        if (slot.hash != hash || !slot.words) {
            const auto known = m_byHash.find(hash);
            slot.hash = hash;
            slot.words = known == m_byHash.end() ? nullptr : known->second;
        }
        if (slot.words)
            kept.emplace(hash, slot.words);
        else if (inbox[i].isEmpty())
            slot.words = std::make_shared<const Words>();
        else
            m_waiting.push_back(int(i));
    }
    m_byHash = std::move(kept);
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
        // The same record in another slot (a copy from each server folder) is read once.
        if (const auto known = m_byHash.find(m_slots[std::size_t(i)].hash); known != m_byHash.end()) {
            m_slots[std::size_t(i)].words = known->second;
            continue;
        }
        const TMessageRecord &record = inbox[std::size_t(i)];
        const rtf::Body body = rtf::parse(record.Body());
        auto words = std::make_shared<Words>();
        for (const std::string &word : wordsOf(rtf::terminalText(body)))
            words->push_back(idOf(word));
        std::sort(words->begin(), words->end());
        words->erase(std::unique(words->begin(), words->end()), words->end());
        words->shrink_to_fit();
        m_slots[std::size_t(i)].words = words;
        m_byHash[m_slots[std::size_t(i)].hash] = std::move(words);
    }
    return m_waiting.empty();
}

void BodySearch::setQuery(const QString &text)
{
    m_query.clear();
    m_queryWords = wordsOf(text);
    for (const std::string &word : m_queryWords) {
        std::vector<bool> holds(m_starts.size());
        // One pass over every word known: where the query word stands, the word around it holds it.
        const char *const begin = m_vocabulary.data();
        const char *const end = begin + m_vocabulary.size();
        const char *from = begin;
        while (const void *hit = memmem(from, std::size_t(end - from), word.data(), word.size())) {
            const auto offset = std::uint32_t(static_cast<const char *>(hit) - begin);
            const auto id = std::uint32_t(std::upper_bound(m_starts.begin(), m_starts.end(), offset) - m_starts.begin() - 1);
            holds[id] = true;
            // On to the next word: the rest of this one adds nothing.
            from = begin + (id + 1 < m_starts.size() ? m_starts[id + 1] : m_vocabulary.size());
        }
        m_query.push_back(std::move(holds));
    }
}

bool BodySearch::matches(int slot) const
{
    if (m_query.empty() || slot < 0 || slot >= int(m_slots.size()) || !m_slots[std::size_t(slot)].words)
        return false;
    const Words &words = *m_slots[std::size_t(slot)].words;
    for (const std::vector<bool> &holds : m_query) {
        if (std::none_of(words.begin(), words.end(), [&holds](std::uint32_t id) { return bool(holds[id]); }))
            return false;
    }
    return true;
}
