#include "BodySearch.h"
#include "GridModels.h"
#include "InboxMarks.h"
#include "MessageRecord.h"

#include <QAbstractItemModelTester>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// An inbox whose texts draw on a few words most of them hold and on many rare ones, so that
// the search meets words held by nearly every text and words held by a handful; some found
// are free and some messages came twice (from two server folders).
struct Texts
{
    TInboxData inbox;
    std::vector<QStringList> words; // per slot, as written
    TInboxMarks marks;
    BodySearch bodies;
    TInboxGridModel model{inbox, marks, nullptr};

    explicit Texts(int count)
    {
        static const char *const common[] = {"the", "lunch", "friday", "quarterly", "report", "store", "keys", "Zürich"};
        std::uint32_t seed = 7;
        const auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
        for (int i = 0; i < count; ++i) {
            TMessageRecord record;
            QStringList body;
            if (i % 9 != 4) {
                record.setFrom(QStringLiteral("Sender %1").arg(i % 13));
                record.setSubject(QStringLiteral("Subject %1 of the week").arg(i));
                for (int w = 0; w < 30; ++w) {
                    const std::uint32_t r = next();
                    if (r % 3 == 0)
                        body << QString::fromUtf8(common[r % 8]);
                    else
                        body << QStringLiteral("q%1%2%3").arg(QChar(u'a' + r % 26), QChar(u'a' + r / 26 % 26),
                                                               QChar(u'a' + r / 676 % 26));
                }
            }
            if (i % 10 == 9 && !inbox.back().isEmpty()) {
                record = inbox.back();
                body = words.back();
            }
            const QByteArray rtf = "{\\rtf1\\ansi " + body.join(QStringLiteral(" ")).toLatin1() + "\\par}";
            if (!body.isEmpty())
                std::memcpy(record.bodyData(), rtf.constData(), std::size_t(rtf.size()));
            inbox.push_back(record);
            words.push_back(body);
        }
        marks.update(inbox, 0);
        model.setBodySearch(&bodies);
        model.setGridRowCount(int(inbox.size()) + 1);
        read();
    }

    void read()
    {
        bodies.follow(inbox, marks);
        while (!bodies.prepare(inbox, 1000)) {
        }
        model.refilter();
    }

    // What the InBox keeps, looked for plainly: the sender or subject holds the text, or the
    // text has words and each lies inside a word of the body, letter case aside.
    std::vector<int> expected(const QString &text) const
    {
        static const QRegularExpression between(QStringLiteral("[^\\p{L}\\p{N}]+"));
        const QString folded = text.toCaseFolded();
        const QStringList typed = folded.split(between, Qt::SkipEmptyParts);
        std::vector<int> found;
        for (int i = 0; i < int(inbox.size()); ++i) {
            const TMessageRecord &record = inbox[std::size_t(i)];
            if (record.isEmpty())
                continue;
            const bool inBody = !typed.isEmpty() && std::all_of(typed.begin(), typed.end(), [&](const QString &t) {
                return std::any_of(words[std::size_t(i)].begin(), words[std::size_t(i)].end(),
                                   [&](const QString &w) { return w.toCaseFolded().contains(t); });
            });
            if (inBody || record.From().toCaseFolded().contains(folded) || record.Subject().toCaseFolded().contains(folded))
                found.push_back(i);
        }
        return found;
    }

    std::vector<int> shown() const
    {
        std::vector<int> found;
        for (int row = 0; row < model.rowCount(); ++row)
            found.push_back(model.elementOfRow(row));
        return found;
    }
};

// Typed a key at a time, lengthened at either end, shortened, and with nothing but spaces
// first: after every key the rows are those a plain look at each message keeps. An inbox cut
// to a seventh of its found, whose other texts are then forgotten, changes nothing of it.
TEST(InBoxSearch, KeepsWhatAPlainLookAtEachMessageKeeps)
{
    Texts texts(3000);
    QAbstractItemModelTester tester(&texts.model, QAbstractItemModelTester::FailureReportingMode::Warning);
    const auto typeKeys = [&](const QString &text) {
        for (qsizetype n = 1; n <= text.size(); ++n) {
            const QString typed = text.left(n);
            texts.model.setFilter(typed);
            ASSERT_EQ(texts.shown(), texts.expected(typed)) << typed.toStdString();
        }
    };
    typeKeys(QStringLiteral("quarterly qab"));
    typeKeys(QStringLiteral("qzz"));
    typeKeys(QStringLiteral("  lunch fri"));
    typeKeys(QStringLiteral("ZÜRICH"));
    typeKeys(QStringLiteral("sender 1"));
    typeKeys(QStringLiteral("weeks"));
    for (const char *text : {"erly", "rterly", "quarterly", "quarterly r", "qua", "ly the", "keys ly the"}) {
        const QString typed = QString::fromUtf8(text);
        texts.model.setFilter(typed);
        ASSERT_EQ(texts.shown(), texts.expected(typed)) << text;
    }
    ASSERT_FALSE(texts.expected(QStringLiteral("qab")).empty());
    ASSERT_GT(texts.expected(QStringLiteral("qab")).size(), texts.expected(QStringLiteral("quarterly qab")).size());

    TInboxData kept;
    std::vector<QStringList> keptWords;
    for (std::size_t i = 0; i < texts.inbox.size(); i += 7) {
        kept.push_back(texts.inbox[i]);
        keptWords.push_back(texts.words[i]);
    }
    texts.inbox = kept;
    texts.words = keptWords;
    texts.marks.update(texts.inbox, 0);
    texts.model.setGridRowCount(int(texts.inbox.size()) + 1);
    texts.model.refresh();
    texts.read();
    typeKeys(QStringLiteral("quarterly qab"));
    typeKeys(QStringLiteral("qzz"));
}

} // namespace
