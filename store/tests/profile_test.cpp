#include "FileOps.h"
#include "casename.h"
#include "IoError.h"
#include "ProfileFile.h"

#include "tempfolders.h"

#include <gtest/gtest.h>

#include <QDir>

#include <climits>
#include <filesystem>

namespace {

QString q(const char *text)
{
    return QString::fromUtf8(text);
}

std::string iniPath(const TempFolders &dirs)
{
    return dirs.program() + "main.ini";
}

// Names of everything in a folder, to see that no temporary file is left behind.
QStringList entriesOf(const std::string &folder)
{
    return QDir(QString::fromStdString(folder)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

TEST(ProfileFile, SectionsAndKeysMatchWithoutRegardToCaseAcrossObjects)
{
    TempFolders dirs;
    const std::string path = iniPath(dirs);
    TProfileFile writer(path);
    writer.WriteString(u"Destination", u"MyDest", u"/mail/anna/");
    writer.WriteString(u"attachments", u"report.doc", u"2");

    // Another object on the same file sees the values at once.
    const TProfileFile reader(path);
    EXPECT_EQ(reader.ReadString(u"destination", u"MyDest", QString()), q("/mail/anna/"));
    EXPECT_EQ(reader.ReadString(u"DESTINATION", u"mydest", QString()), q("/mail/anna/"));
    EXPECT_EQ(reader.ReadInteger(u"Attachments", u"REPORT.DOC", 0), 2);

    // A write under other letter case replaces the value rather than adding a key.
    writer.WriteString(u"ATTACHMENTS", u"Report.Doc", u"3");
    EXPECT_EQ(reader.ReadInteger(u"attachments", u"report.doc", 0), 3);
    EXPECT_EQ(readAll(path), "[Destination]\r\nMyDest=/mail/anna/\r\n[attachments]\r\nreport.doc=3\r\n");

    // Missing file, section or key give the default.
    EXPECT_EQ(TProfileFile(dirs.program() + "none.ini").ReadString(u"Settings", u"Name", q("dflt")), q("dflt"));
    EXPECT_EQ(reader.ReadString(u"Settings", u"MyDest", q("dflt")), q("dflt"));
    EXPECT_EQ(reader.ReadString(u"Destination", u"Other", q("dflt")), q("dflt"));
    EXPECT_EQ(entriesOf(dirs.program()), QStringList{q("main.ini")});
}

struct IntegerCase
{
    const char *name;
    const char *stored;
    int expected; // with the default 7
};

class ProfileInteger : public ::testing::TestWithParam<IntegerCase>
{
};

TEST_P(ProfileInteger, ReadsStoredTextByTheNumberRules)
{
    TempFolders dirs;
    const std::string path = dirs.program() + "Attach.ini";
    writeAll(path, std::string("[attachments]\r\nx=") + GetParam().stored + "\r\n");
    EXPECT_EQ(TProfileFile(path).ReadInteger(u"attachments", u"x", 7), GetParam().expected) << GetParam().stored;
    EXPECT_EQ(parseProfileInteger(q(GetParam().stored), 7), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ProfileInteger,
    ::testing::Values(IntegerCase{"hex after 0x", "0x1A", 26}, IntegerCase{"hex after 0X in either case", "0X1a", 26},
                      IntegerCase{"hex after dollar", "$1A", 26}, IntegerCase{"lower case hex after dollar", "$ff", 255},
                      IntegerCase{"letters", "abc", 7}, IntegerCase{"empty", "", 7},
                      IntegerCase{"0x alone", "0x", 7}, IntegerCase{"dollar alone", "$", 7},
                      IntegerCase{"no hex digit", "0x1G", 7}, IntegerCase{"0x twice", "0x0x1", 7},
                      IntegerCase{"decimal", "12", 12}, IntegerCase{"negative", "-1", -1},
                      IntegerCase{"plus sign", "+5", 5}, IntegerCase{"leading zeros", "007", 7},
                      IntegerCase{"zero", "0", 0}, IntegerCase{"fraction", "1.5", 7},
                      IntegerCase{"digits then letters", "12abc", 7}, IntegerCase{"minus alone", "-", 7},
                      IntegerCase{"32 hex bits wrap", "$FFFFFFFF", -1}, IntegerCase{"33 hex bits", "$100000000", 7},
                      IntegerCase{"largest", "2147483647", INT_MAX}, IntegerCase{"one past the largest", "2147483648", 7},
                      IntegerCase{"smallest", "-2147483648", INT_MIN},
                      IntegerCase{"one below the smallest", "-2147483649", 7}),
    ByCaseName());

TEST(ProfileFile, IntegersAndSwitchesAreWrittenAsDecimalText)
{
    TempFolders dirs;
    const std::string path = iniPath(dirs);
    TProfileFile ini(path);
    ini.WriteInteger(u"attachments", u"a.doc", -1);
    ini.WriteInteger(u"attachments", u"b.doc", 26);
    ini.WriteBool(u"Settings", u"On", true);
    ini.WriteBool(u"Settings", u"Off", false);
    EXPECT_EQ(readAll(path), "[attachments]\r\na.doc=-1\r\nb.doc=26\r\n[Settings]\r\nOn=1\r\nOff=0\r\n");
    EXPECT_EQ(ini.ReadInteger(u"attachments", u"a.doc", 0), -1);
    EXPECT_TRUE(ini.ReadBool(u"Settings", u"On", false));
    EXPECT_FALSE(ini.ReadBool(u"Settings", u"Off", true));

    // A switch is on for any whole number but 0; a text that is no number gives the default.
    ini.WriteString(u"Settings", u"Two", u"2");
    ini.WriteString(u"Settings", u"Yes", u"yes");
    EXPECT_TRUE(ini.ReadBool(u"Settings", u"Two", false));
    EXPECT_FALSE(ini.ReadBool(u"Settings", u"Yes", false));
    EXPECT_TRUE(ini.ReadBool(u"Settings", u"Yes", true));
    EXPECT_TRUE(ini.ReadBool(u"Settings", u"Missing", true));
}

TEST(ProfileFile, HandEditedFileReadsAndKeepsItsOtherLinesWhenRewritten)
{
    TempFolders dirs;
    const std::string path = iniPath(dirs);
    // LF line ends, spaces around '=', comments, blank lines, other letter case, an unknown
    // section and key, a quoted value.
    const std::string handEdited = "; settings of the front desk\n"
                                   "\n"
                                   "[settings]\n"
                                   "  name = Anna Berg  \n"
                                   "addresses\t=\t/mail/book/\n"
                                   "# not ours = kept\n"
                                   "Colour=blue\n"
                                   "\n"
                                   "[Destination]\n"
                                   "mydest = \"/mail/anna/\"\n"
                                   "\n"
                                   "[Extra]\n"
                                   "key=value\n";
    writeAll(path, handEdited);
    TProfileFile ini(path);
    EXPECT_EQ(ini.ReadString(u"Settings", u"Name", QString()), q("Anna Berg"));
    EXPECT_EQ(ini.ReadString(u"Settings", u"Addresses", QString()), q("/mail/book/"));
    EXPECT_EQ(ini.ReadString(u"Destination", u"MyDest", QString()), q("/mail/anna/"));
    EXPECT_EQ(ini.ReadString(u"Settings", u"MyDest", q("none")), q("none")); // not in that section
    EXPECT_EQ(ini.ReadString(u"Extra", u"key", QString()), q("value"));

    ini.WriteString(u"Settings", u"Name", u"Ben");
    ini.WriteString(u"Settings", u"Inbox Data", u"/data/");
    ini.WriteString(u"Destination", u"MyDest", u"/mail/ben/");
    EXPECT_EQ(readAll(path), "; settings of the front desk\r\n"
                             "\r\n"
                             "[settings]\r\n"
                             "name=Ben\r\n"
                             "addresses\t=\t/mail/book/\r\n"
                             "# not ours = kept\r\n"
                             "Colour=blue\r\n"
                             "Inbox Data=/data/\r\n"
                             "\r\n"
                             "[Destination]\r\n"
                             "mydest=/mail/ben/\r\n"
                             "\r\n"
                             "[Extra]\r\n"
                             "key=value\r\n");
}

TEST(ProfileFile, TextValuesReadBackExactlyAsWritten)
{
    TempFolders dirs;
    TProfileFile ini(iniPath(dirs));
    const QString values[] = {q(""),           q(" leading"),      q("trailing "), q("\"quoted\""),
                              q("'single'"),   q("a = b ; c"),     q("[x]"),       q("Gr\u00fc\u00dfe \u20ac"),
                              q("C:\\mail\\"), QString(3000, u'x')};
    int n = 0;
    for (const QString &value : values) {
        const QString key = QStringLiteral("k%1").arg(++n);
        ini.WriteString(u"Settings", key, value);
        EXPECT_EQ(ini.ReadString(u"Settings", key, q("dflt")), value.left(2047)) << n;
    }
    // Windows-1252 on disk: the euro sign is one byte 0x80.
    EXPECT_NE(readAll(iniPath(dirs)).find("k8=Gr\xFC\xDF" "e \x80\r\n"), std::string::npos);

    // Attachment names may hold '=' and begin with ';' or '['; counts under them stay apart.
    ini.WriteInteger(u"attachments", u"a=b.doc", 4);
    ini.WriteInteger(u"attachments", u"a", 1);
    ini.WriteInteger(u"attachments", u";x.doc", 2);
    ini.WriteInteger(u"attachments", u"[y].doc", 3);
    ini.WriteInteger(u"attachments", u"a=b.doc", 5);
    EXPECT_EQ(ini.ReadInteger(u"attachments", u"a=b.doc", 0), 5);
    EXPECT_EQ(ini.ReadInteger(u"attachments", u"a", 0), 1);
    EXPECT_EQ(ini.ReadInteger(u"attachments", u";x.doc", 0), 2);
    EXPECT_EQ(ini.ReadInteger(u"attachments", u"[y].doc", 0), 3);
}

TEST(ProfileFile, DeleteKeyRemovesOnlyThatKeyAndNeverFails)
{
    TempFolders dirs;
    const std::string path = iniPath(dirs);
    TProfileFile ini(path);
    ini.WriteInteger(u"attachments", u"a.doc", 1);
    ini.WriteInteger(u"attachments", u"b.doc", 2);
    const std::string before = readAll(path);

    ini.DeleteKey(u"attachments", u"missing.doc");
    ini.DeleteKey(u"nosection", u"a.doc");
    EXPECT_EQ(readAll(path), before);

    ini.DeleteKey(u"Attachments", u"A.DOC");
    EXPECT_EQ(readAll(path), "[attachments]\r\nb.doc=2\r\n");
    EXPECT_EQ(ini.ReadInteger(u"attachments", u"a.doc", 0), 0);

    // A file that cannot be written or does not exist: nothing is reported.
    TProfileFile(dirs.root() + "missing/Attach.ini").DeleteKey(u"attachments", u"b.doc");
    TProfileFile("/dev/full").DeleteKey(u"attachments", u"b.doc");
    EXPECT_FALSE(fileExists(dirs.root() + "missing/Attach.ini"));
}

TEST(ProfileFile, FailedWritesRaiseUnableToWriteAndKeepTheOldFile)
{
    TempFolders dirs;
    const std::string missingFolder = dirs.root() + "gone/main.ini";
    const std::string directory = dirs.folder("main.ini");
    const std::string kept = iniPath(dirs);
    TProfileFile(kept).WriteString(u"Settings", u"Name", u"Anna");
    const std::string before = readAll(kept);

    for (const std::string &path : {missingFolder, directory.substr(0, directory.size() - 1), std::string("/dev/full")}) {
        try {
            TProfileFile(path).WriteString(u"Settings", u"Name", u"Ben");
            ADD_FAILURE() << "no error for " << path;
        } catch (const IoError &error) {
            EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
        }
    }
    // A value that would break the file's lines is refused, and the file stays as it was.
    for (const QString &value : {q("two\nlines"), q("cr\rhere"), QString(1, QChar(0))}) {
        try {
            TProfileFile(kept).WriteString(u"Settings", u"Name", value);
            ADD_FAILURE() << "no error for a value with a line break";
        } catch (const IoError &error) {
            EXPECT_EQ(std::string(error.what()), "Unable to write to " + kept);
        }
    }
    EXPECT_EQ(readAll(kept), before);
    EXPECT_FALSE(fileExists(missingFolder));
    EXPECT_EQ(entriesOf(dirs.program()), QStringList{q("main.ini")});
}

TEST(ProfileFile, WritesThroughALinkReplaceTheFileItNames)
{
    TempFolders dirs;
    const std::string target = dirs.userA() + "real.ini";
    const std::string link = dirs.program() + "main.ini";
    TProfileFile(target).WriteString(u"Settings", u"Name", u"Anna");
    std::filesystem::create_symlink(target, link);
    TProfileFile(link).WriteString(u"Settings", u"Name", u"Ben");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(TProfileFile(target).ReadString(u"Settings", u"Name", QString()), q("Ben"));
}

} // namespace

TEST(ProfileFile, ReadKeysListsASectionsKeysOnceInFileOrder)
{
    TempFolders dirs;
    const std::string path = dirs.server1() + "Attach.ini";
    writeAll(path, "[other]\nx.doc=1\n[Attachments]\n; a comment=3\nreport.doc=2\n  b.zip = 1\n"
                   "no value here\nREPORT.DOC=5\n[attachments]\nlate.txt=1\n");
    const TProfileFile ini(path);
    EXPECT_EQ(ini.ReadKeys(u"attachments"), (QStringList{q("report.doc"), q("b.zip")}));
    EXPECT_TRUE(ini.ReadKeys(u"missing").isEmpty());
    EXPECT_TRUE(TProfileFile(dirs.server1() + "none.ini").ReadKeys(u"attachments").isEmpty());
}

namespace {

// A profile file far larger than any real one is damaged: it is neither read into memory
// nor replaced by a rewrite that would keep one key of it.
TEST(ProfileFile, OversizedFileIsRefusedAsDamaged)
{
    TempFolders dirs;
    const std::string path = dirs.userA() + "Attach.ini";
    writeAll(path, "[attachments]\r\na.txt=1\r\n" + std::string(TProfileFile::MaxBytes, ';'));
    TProfileFile ini(path, ProfileKind::Shared);
    EXPECT_EQ(ini.ReadInteger(u"attachments", u"a.txt", 0), 0);
    EXPECT_EQ(errorOf<IoError>([&] { ini.WriteInteger(u"attachments", u"a.txt", 2); }), "Unable to write to " + path);
    EXPECT_EQ(std::filesystem::file_size(path), 24 + std::uintmax_t(TProfileFile::MaxBytes));
}

} // namespace
