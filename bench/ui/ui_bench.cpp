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

    explicit Office(int slotCount, const QByteArray &rtf)
    {
        TSettings s;
        s.Name = QStringLiteral("Ben");
        s.MyDest = QString::fromStdString(folder(root, "inbox"));
        s.Addresses = QString::fromStdString(folder(root, "book"));
        s.InboxData = QString::fromStdString(data);
        saveSettings(program, s);
        writeDatafile(data + "InBox.qdi", slotCount, rtf);
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
    return 0;
}
