#include "FileOps.h"
#include "casename.h"
#include "AddressFile.h"
#include "IoError.h"
#include "RecordFile.h"

#include "tempfolders.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr int Size = TAddressRec::Size;

QString q(const char *text)
{
    return QString::fromUtf8(text);
}

TAddressRec entry(const char *name, const char *inbox = "/mail/x/", unsigned char server = 0)
{
    TAddressRec r;
    r.setName(q(name));
    r.setInBox(q(inbox));
    r.setComment(u"note");
    r.setReserved(u"res");
    r.setServer(server);
    r.bytes[1000] = 9; // the unused tail
    return r;
}

std::string bytesOf(const TAddressData &records)
{
    std::string bytes;
    for (const TAddressRec &r : records)
        bytes.append(r.bytes.data(), r.bytes.size());
    return bytes;
}

std::string recordOf(const std::string &file, int i)
{
    return file.substr(static_cast<std::size_t>(i) * Size, Size);
}

struct Book
{
    TempFolders dirs;
    std::string name = addressFileName(QString::fromStdString(dirs.userA()));
    TAddressData list;
    TAddressRec work;

    explicit Book(const TAddressData &records)
    {
        writeAll(name, bytesOf(records));
        list = loadAddresses(name);
    }
};

TEST(AddressFile, LoadCreatesOneEmptyRecordAndReadsWholeRecords)
{
    TempFolders dirs;
    const std::string name = addressFileName(QString::fromStdString(dirs.userA()));
    EXPECT_EQ(name, dirs.userA() + "address list.qda");
    EXPECT_EQ(addressFileName(q("/mail")), "/mailaddress list.qda");

    TAddressData list = loadAddresses(name);
    EXPECT_EQ(list, TAddressData(1));
    EXPECT_EQ(readAll(name), std::string(Size, '\0'));

    const TAddressData three = {entry("A"), entry("B"), entry("C")};
    writeAll(name, bytesOf(three) + std::string(100, 'x'));
    EXPECT_EQ(loadAddresses(name), three);

    // No whole record: one empty entry to act on, and Save writes it as record 0.
    writeAll(name, std::string(100, 'x'));
    list = loadAddresses(name);
    ASSERT_EQ(list.size(), 1u);
    TAddressRec work;
    EXPECT_EQ(saveAddressEntry(list, 0, {q("Anna"), q("/a/"), q(""), false}, name, work), AddressSavedMessage);
    EXPECT_EQ(readAll(name), bytesOf(list));

    EXPECT_EQ(errorOf<IoError>([&] { loadAddresses(dirs.root() + "gone/address list.qda"); }), "File not found");
}

TEST(AddressFile, SavedSalesEntryMatchesTheHandCheckedRecord)
{
    Book book({TAddressRec()});
    const AddressFields sales{q("Sales"), q("F:\\mail\\sales\\"), q(""), true};
    EXPECT_EQ(saveAddressEntry(book.list, 0, sales, book.name, book.work), AddressSavedMessage);
    EXPECT_EQ(readAll(book.name), readAll(QUINDLE_TESTDATA "/store/sales.qda"));
    EXPECT_TRUE(book.work == book.list[0]);

    // Texts are cut to their fields and taken as typed; Server is written as 0 or 1.
    const AddressFields longOnes{QString(200, u'n'), QString(300, u'i'), QString(300, u'c'), false};
    EXPECT_EQ(saveAddressEntry(book.list, 0, longOnes, book.name, book.work), AddressSavedMessage);
    EXPECT_EQ(book.list[0].Name(), QString(127, u'n'));
    EXPECT_EQ(book.list[0].InBox(), QString(255, u'i'));
    EXPECT_EQ(book.list[0].Comment(), QString(255, u'c'));
    EXPECT_EQ(book.list[0].Server(), 0);
    EXPECT_EQ(readAll(book.name), bytesOf(book.list));
}

struct DuplicateCase
{
    const char *what;
    int index;
    QString name;
    bool refused;
};

class AddressDuplicate : public ::testing::TestWithParam<DuplicateCase>
{
};

TEST_P(AddressDuplicate, SaveRefusesANameAnotherEntryBearsAsStored)
{
    const QString long127 = QString(127, u'L');
    TAddressRec longOne;
    longOne.setName(long127);
    Book book({entry("Sales"), entry("Anna"), TAddressRec(), longOne, entry("a?b")});
    const TAddressData before = book.list;
    const std::string fileBefore = readAll(book.name);

    const QString message =
        saveAddressEntry(book.list, GetParam().index, {GetParam().name, q("/n/"), q(""), false}, book.name, book.work);
    if (GetParam().refused) {
        EXPECT_EQ(message, NameExistsMessage);
        EXPECT_EQ(book.list, before);
        EXPECT_EQ(readAll(book.name), fileBefore);
    } else {
        EXPECT_EQ(message, AddressSavedMessage);
        EXPECT_EQ(book.list[static_cast<std::size_t>(GetParam().index)].Name(), GetParam().name.left(127));
        EXPECT_EQ(recordOf(readAll(book.name), GetParam().index),
                  recordOf(bytesOf(book.list), GetParam().index));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, AddressDuplicate,
    ::testing::Values(DuplicateCase{"another entry's name", 1, q("Sales"), true},
                      DuplicateCase{"other letter case", 1, q("sales"), false},
                      DuplicateCase{"its own unchanged name", 0, q("Sales"), false},
                      DuplicateCase{"empty while another entry is empty", 1, q(""), true},
                      DuplicateCase{"empty on the empty entry itself", 2, q(""), false},
                      DuplicateCase{"trailing space differs", 1, q("Sales "), false},
                      DuplicateCase{"long name equal in its first 127", 1, QString(127, u'L') + q("more"), true},
                      DuplicateCase{"long name on its own entry", 3, QString(127, u'L') + q("more"), false}),
    [](const auto &info) { return caseTestName(info.param.what); });

// A name or folder stored as '?' would never match what the recipient's copy looks for,
// and a name with a separator would put drop files into another folder.
TEST(AddressFile, SaveRefusesNamesMailCouldNeverReach)
{
    struct Case
    {
        AddressFields fields;
        const char *inMessage;
    };
    const std::vector<Case> cases = {
        {{q("a\u4e2db"), q("/n/"), q(""), false}, "The Name holds the character \"\u4e2d\" (U+4E2D)"},
        {{q("Ann"), q("/mail/\u0142/"), q(""), false}, "The inbox folder holds the character \"\u0142\" (U+0142)"},
        {{q("Emoji \U0001F600"), q("/n/"), q(""), false}, "\"\U0001F600\" (U+1F600)"},
        {{q("../elsewhere/x"), q("/n/"), q(""), false}, "cannot be part of a drop file name"},
        {{q("tab\tname"), q("/n/"), q(""), false}, "cannot be part of a drop file name"},
        {{q(".."), q("/n/"), q(""), false}, "cannot be part of a drop file name"},
    };
    for (const Case &c : cases) {
        Book book({entry("Sales"), TAddressRec()});
        const TAddressData before = book.list;
        const std::string fileBefore = readAll(book.name);
        const QString message = saveAddressEntry(book.list, 1, c.fields, book.name, book.work);
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.inMessage))) << message.toStdString();
        EXPECT_EQ(book.list, before);
        EXPECT_EQ(readAll(book.name), fileBefore);
    }
}

TEST(AddressFile, NewEntriesReachTheFileOnlyWhenSaved)
{
    Book book({entry("Sales")});
    int index = newAddressEntry(book.list);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(readAll(book.name).size(), static_cast<std::size_t>(Size));
    EXPECT_EQ(saveAddressEntry(book.list, index, {q("Anna"), q("/a/"), q(""), false}, book.name, book.work),
              AddressSavedMessage);
    EXPECT_EQ(readAll(book.name).size(), 2u * Size);

    // New, New, Save on the second: the skipped record reads back as zero bytes.
    newAddressEntry(book.list);
    index = newAddressEntry(book.list);
    EXPECT_EQ(index, 3);
    EXPECT_EQ(saveAddressEntry(book.list, index, {q("Ben"), q("/b/"), q(""), true}, book.name, book.work),
              AddressSavedMessage);
    const std::string file = readAll(book.name);
    ASSERT_EQ(file.size(), 4u * Size);
    EXPECT_EQ(recordOf(file, 2), std::string(Size, '\0'));
    EXPECT_EQ(loadAddresses(book.name), book.list);
    EXPECT_EQ(saveAddressEntry(book.list, 4, {q("X"), q(""), q(""), false}, book.name, book.work), QString());
}

TEST(AddressFile, DeleteClearsLengthsAndFlagInPlace)
{
    Book book({entry("Sales", "/s/", 1), entry("Anna")});
    EXPECT_EQ(deleteAddressEntry(book.list, -1, book.name), CannotDeleteMessage);
    EXPECT_EQ(deleteAddressEntry(book.list, 2, book.name), CannotDeleteMessage);
    EXPECT_EQ(readAll(book.name), bytesOf({entry("Sales", "/s/", 1), entry("Anna")}));

    EXPECT_EQ(deleteAddressEntry(book.list, 0, book.name), QString());
    TAddressRec cleared = entry("Sales", "/s/", 1);
    for (int offset : {0, 128, 384, 640, 768})
        cleared.bytes[static_cast<std::size_t>(offset)] = 0;
    EXPECT_TRUE(book.list[0] == cleared);
    EXPECT_EQ(book.list[0].bytes[1], 'S') << "the characters stay behind the length byte";
    EXPECT_EQ(readAll(book.name), bytesOf({cleared, entry("Anna")}));

    // A failed write leaves the entry cleared in memory only.
    std::filesystem::remove(book.name);
    EXPECT_EQ(errorOf<IoError>([&] { deleteAddressEntry(book.list, 1, book.name); }), "File not found");
    EXPECT_TRUE(book.list[1].isEmpty());
    EXPECT_FALSE(fileExists(book.name));
}

TEST(AddressFile, CompactionKeepsOrderAndTheCurrentEntryWithinTheList)
{
    Book book({TAddressRec(), entry("A"), TAddressRec(), entry("B"), TAddressRec()});
    int index = 4;
    packAddresses(book.name, book.list, index);
    EXPECT_EQ(book.list, (TAddressData{entry("A"), entry("B")}));
    EXPECT_EQ(readAll(book.name), bytesOf(book.list));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(fileExists(book.name + ".new"));

    index = 0;
    packAddresses(book.name, book.list, index);
    EXPECT_EQ(index, 0);
    index = -1;
    packAddresses(book.name, book.list, index);
    EXPECT_EQ(index, -1);

    // All empty: one empty record.
    deleteAddressEntry(book.list, 0, book.name);
    deleteAddressEntry(book.list, 1, book.name);
    index = 1;
    packAddresses(book.name, book.list, index);
    EXPECT_EQ(readAll(book.name), std::string(Size, '\0'));
    EXPECT_EQ(book.list.size(), 1u);
    EXPECT_EQ(index, 0);
}

TEST(AddressFile, FailedCompactionKeepsEveryEntry)
{
    Book book({entry("A"), TAddressRec(), entry("B")});
    const std::string before = readAll(book.name);
    const TAddressData list = book.list;
    int index = 2;

    EXPECT_EQ(errorOf<IoError>([&] { packAddresses(book.dirs.root() + "gone", book.list, index); }),
              "File not found");
    // A list file that is no plain file is refused, and nothing is written.
    const std::string elsewhere = book.dirs.userB() + "list";
    std::filesystem::rename(book.name, elsewhere);
    std::filesystem::create_symlink(elsewhere, book.name);
    EXPECT_EQ(errorOf<IoError>([&] { packAddresses(book.name, book.list, index); }),
              book.name + " is not a plain file (a link, a folder or a special file): left alone");
    EXPECT_EQ(readAll(elsewhere), before);
    EXPECT_EQ(book.list, list);
    EXPECT_EQ(index, 2);
}

TEST(AddressFile, FindByNameAndServerEntries)
{
    const TAddressData list = {entry("Sales", "/s/", 1), entry("Anna"), entry("sales", "/s2/", 2),
                               entry("Sales", "/s3/", 1), TAddressRec()};
    EXPECT_EQ(findAddressByName(list, q("Sales")), 0);
    EXPECT_EQ(findAddressByName(list, q("sales")), 2);
    EXPECT_EQ(findAddressByName(list, q("Anna")), 1);
    EXPECT_EQ(findAddressByName(list, q("anna")), -1);
    EXPECT_EQ(findAddressByName(list, q("")), -1) << "an empty text is never looked up";
    EXPECT_EQ(serverEntries(list), (std::vector<int>{0, 3})) << "only the byte 1 marks a server";
}

} // namespace
