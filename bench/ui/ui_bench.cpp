#include "Dialogs.h"
#include "InboxFile.h"
#include "RtfCodec.h"
#include "Settings.h"
#include "Unit1.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class SilentDialogs : public TDialogs
{
public:
    void message(Icon, const QString &, const QString &text) override
    {
        std::fprintf(stderr, "box: %s\n", qPrintable(text));
    }
    bool ask(Icon, const QString &, const QString &) override { return false; }
    QString openFileName() override { return {}; }
    QString browseFolder(const QString &, const QString &) override { return {}; }
    void beep() override {}
    int choose(Icon, const QString &, const QString &, const QStringList &) override { return -1; }
    QString saveFileName(const QString &) override { return {}; }
    void openDocument(const QString &) override {}
    bool choosePrinter(QPrinter &) override { return false; }
};

std::string folder(const QTemporaryDir &root, const char *name)
{
    QDir(root.path()).mkpath(QLatin1String(name));
    return QDir(root.path()).filePath(QLatin1String(name)).toStdString() + "/";
}

// A body whose rich text fills about `bytes` of the 10,001-byte field.
QByteArray body(int bytes)
{
    QTextDocument doc;
    QTextCursor cursor(&doc);
    QTextCharFormat plain;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    for (int i = 0; writeRtf(doc).size() < bytes - 200; ++i) {
        if (i > 0)
            cursor.insertBlock();
        cursor.insertText(QStringLiteral("Paragraph %1 is about the ").arg(i), plain);
        cursor.insertText(QStringLiteral("quarterly report"), bold);
        cursor.insertText(QString::fromUtf8(" and the meeting in Zürich, before Friday."), plain);
    }
    return writeRtf(doc);
}

void writeDatafile(const std::string &file, int slotCount, const QByteArray &rtf)
{
    static const char16_t *const senders[] = {u"Anna Example", u"Ben Stock", u"Carla Reed", u"Dan Holm", u"Eve Lund"};
    static const char16_t *const topics[] = {u"Lunch on Friday", u"Quarterly report", u"Keys to the store",
                                             u"Holiday plans", u"Printer on floor two"};
    TMessageRecord record;
    record.setAttachName(1, u"minutes.doc");
    std::copy(rtf.begin(), rtf.begin() + std::min<qsizetype>(rtf.size(), TMessageRecord::BodySize),
              record.bodyData());
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char> block;
    for (int i = 0; i < slotCount; ++i) {
        record.setFrom(senders[i % 5]);
        record.setSubject(QStringLiteral("%1, number %2").arg(QString::fromUtf16(topics[(i / 5) % 5])).arg(i));
        block.insert(block.end(), record.bytes.begin(), record.bytes.end());
        if (block.size() >= (64 << 20) || i + 1 == slotCount) {
            if (::write(fd, block.data(), block.size()) != ssize_t(block.size()))
                std::abort();
            block.clear();
        }
    }
    ::close(fd);
}

// 100,000 office messages of about 1 KB of text each: words drawn from 200 common ones and
// from 30,000 rarer ones (names, numbers, terms), a paragraph every 25 words.
void writeTextsDatafile(const std::string &file, int slotCount)
{
    static const char *const common[] = {
        "the", "and", "for", "with", "that", "this", "from", "have", "will", "your", "please", "meeting", "report",
        "friday", "monday", "office", "printer", "lunch", "keys", "store", "order", "invoice", "customer", "delivery",
        "thanks", "regards", "tomorrow", "today", "week", "month", "number", "send", "copy", "file", "folder", "plan",
        "budget", "holiday", "shelves", "count", "back", "front", "door", "room", "floor", "paper", "call", "phone",
        "list", "price", "quarterly", "minutes", "agenda", "team", "project", "time", "date", "about", "could", "would",
        "should", "there", "their", "when", "where", "what", "which", "before", "after", "again", "still", "only"};
    constexpr int commonCount = int(sizeof common / sizeof *common);
    std::uint32_t seed = 12345;
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char> block;
    TMessageRecord record;
    for (int i = 0; i < slotCount; ++i) {
        record = TMessageRecord{};
        record.setFrom(QStringLiteral("Sender %1").arg(i % 40));
        record.setSubject(QStringLiteral("Subject %1").arg(i));
        std::string rtf = "{\\rtf1\\ansi\\deff0 ";
        for (int w = 0; w < 170; ++w) {
            const std::uint32_t r = next();
            if (r % 10 < 7) {
                rtf += common[(r >> 8) % commonCount];
            } else {
                std::uint32_t n = (r >> 8) % 30000;
                std::string rare = "q";
                for (int k = 0; k < 4; ++k, n /= 26)
                    rare += char('a' + n % 26);
                rtf += rare;
            }
            rtf += w % 25 == 24 ? "\\par " : " ";
        }
        rtf += "}";
        std::copy(rtf.begin(), rtf.begin() + std::min<std::size_t>(rtf.size(), TMessageRecord::BodySize),
                  record.bodyData());
        block.insert(block.end(), record.bytes.begin(), record.bytes.end());
        if (block.size() >= (64 << 20) || i + 1 == slotCount) {
            if (::write(fd, block.data(), block.size()) != ssize_t(block.size()))
                std::abort();
            block.clear();
        }
    }
    ::close(fd);
}

// The plain floor of start-up: the whole datafile read into an array of its size.
void rawRead(const std::string &file)
{
    const int fd = ::open(file.c_str(), O_RDONLY);
    struct stat st;
    ::fstat(fd, &st);
    std::vector<TMessageRecord> records(std::size_t(st.st_size / TMessageRecord::Size));
    char *into = records.front().bytes.data();
    std::size_t left = records.size() * TMessageRecord::Size;
    while (left > 0) {
        const ssize_t got = ::read(fd, into, left);
        if (got <= 0)
            std::abort();
        into += got;
        left -= std::size_t(got);
    }
    ::close(fd);
}

template<class F>
double millis(F &&work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Office
{
    QTemporaryDir root;
    std::string program = folder(root, "program");
    std::string data = folder(root, "data");

    explicit Office(int slotCount, const QByteArray &rtf) : Office(slotCount)
    {
        writeDatafile(data + "InBox.qdi", slotCount, rtf);
    }

    explicit Office(int)
    {
        TSettings s;
        s.Name = QStringLiteral("Ben");
        s.MyDest = QString::fromStdString(folder(root, "inbox"));
        s.Addresses = QString::fromStdString(folder(root, "book"));
        s.InboxData = QString::fromStdString(data);
        saveSettings(program, s);
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    SilentDialogs dialogs;
    const QByteArray rtf = body(10000);
    constexpr int runs = 7;

    {
        Office office(10000, rtf);
        TForm1 form(office.program, dialogs);
        std::vector<double> ours;
        std::vector<double> raw;
        for (int i = 0; i < runs; ++i) {
            ours.push_back(millis([&] { form.findChild<QAction *>(QStringLiteral("Startup"))->trigger(); }));
            raw.push_back(millis([&] { rawRead(office.data + "InBox.qdi"); }));
        }
        std::printf("start-up, 10,000 slots: %.1f ms; raw read %.1f ms; ratio %.2f\n", median(ours), median(raw),
                    median(ours) / median(raw));

        std::vector<double> reader;
        for (int i = 0; i < 50; ++i)
            reader.push_back(millis([&] { form.findChild<QAction *>(QStringLiteral("MailReaderObi"))->trigger(); }));
        std::printf("reader, %lld-byte body: %.3f ms\n", static_cast<long long>(rtf.size()), median(reader));
    }
    {
        Office office(100000, QByteArray("{\\rtf1 short}"));
        TForm1 form(office.program, dialogs);
        form.show();
        QApplication::processEvents();
        QAction *inbox = form.findChild<QAction *>(QStringLiteral("InBoxObi"));
        QAction *settings = form.findChild<QAction *>(QStringLiteral("SettingsObi"));
        // grab() paints the whole window, the grid's visible rows included.
        const double first = millis([&] {
            inbox->trigger();
            form.grab();
        });
        std::vector<double> again;
        for (int i = 0; i < runs; ++i) {
            settings->trigger();
            form.grab();
            again.push_back(millis([&] {
                inbox->trigger();
                form.grab();
            }));
        }
        std::printf("InBox view, 100,000 slots: first showing %.1f ms, again %.1f ms (painted)\n", first,
                    median(again));

        // Typing a word into the search, one keystroke at a time, then sorting by columns; the
        // user looks at the list a moment before typing.
        inbox->trigger();
        QApplication::processEvents();
        auto *search = form.findChild<QLineEdit *>(QStringLiteral("InBoxSearchE"));
        auto *header = form.findChild<QTableView *>(QStringLiteral("InBoxG"))->horizontalHeader();
        const QString word = QStringLiteral("lunch");
        for (int round = 0; round < 3; ++round) {
            std::vector<double> keys;
            for (qsizetype n = 1; n <= word.size(); ++n) {
                keys.push_back(millis([&] {
                    search->setText(word.left(n));
                    form.grab();
                }));
            }
            search->clear();
            std::printf("search, 100,000 slots, per keystroke of \"lunch\":");
            for (double k : keys)
                std::printf(" %.1f", k);
            std::printf(" ms\n");
        }
        for (int column : {1, 0, 3, 1}) {
            const double sorted = millis([&] {
                header->setSortIndicator(column, header->sortIndicatorSection() == column ? Qt::DescendingOrder
                                                                                            : Qt::AscendingOrder);
                form.grab();
            });
            std::printf("sort by column %d, 100,000 slots: %.1f ms\n", column, sorted);
        }
    }
    {
        // The search in the texts of 100,000 messages: the first keystroke has them read in
        // pieces between events; then each keystroke of a word common in the texts, and of
        // one that is rare.
        Office office(100000);
        writeTextsDatafile(office.data + "InBox.qdi", 100000);
        TForm1 form(office.program, dialogs);
        form.show();
        form.findChild<QAction *>(QStringLiteral("InBoxObi"))->trigger();
        QApplication::processEvents();
        auto *search = form.findChild<QLineEdit *>(QStringLiteral("InBoxSearchE"));
        auto *reading = form.findChild<QTimer *>(QStringLiteral("BodyReadingTimer"));
        // The longest the window goes without taking events while the texts are read.
        QElapsedTimer sinceTick;
        double longestGap = 0;
        QTimer ticks;
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, double(sinceTick.nsecsElapsed()) / 1e6);
            sinceTick.restart();
        });
        const double read = millis([&] {
            search->setText(QStringLiteral("q"));
            ticks.start(0);
            sinceTick.start();
            while (reading->isActive())
                QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            ticks.stop();
        });
        search->clear();
        std::printf("search in texts, 100,000 slots: reading them %.0f ms, longest time without events %.1f ms\n",
                    read, longestGap);
        // Each word typed `runs` times: per keystroke the median, and the slowest keystroke met.
        const auto typeWord = [&](const QString &word) {
            std::vector<std::vector<double>> keys(std::size_t(word.size()));
            qsizetype rows = 0;
            for (int round = 0; round < runs; ++round) {
                for (qsizetype n = 1; n <= word.size(); ++n) {
                    keys[std::size_t(n - 1)].push_back(millis([&] {
                        search->setText(word.left(n));
                        form.grab();
                    }));
                }
                rows = form.findChild<QTableView *>(QStringLiteral("InBoxG"))->model()->rowCount();
                search->clear();
            }
            double slowest = 0;
            std::printf("search in texts, 100,000 slots, per keystroke of \"%s\" (%lld rows), medians of %d:",
                        qPrintable(word), static_cast<long long>(rows), runs);
            for (const std::vector<double> &k : keys) {
                std::printf(" %.1f", median(k));
                slowest = std::max(slowest, *std::max_element(k.begin(), k.end()));
            }
            std::printf(" ms; slowest %.1f ms\n", slowest);
        };
        typeWord(QStringLiteral("quarterly"));
        typeWord(QStringLiteral("qzzab"));
        typeWord(QStringLiteral("lunch friday"));
    }
    return 0;
}
