#include "AddressRecord.h"
#include "Cp1252.h"
#include "MessageRecord.h"
#include "ShortString.h"

#include "tempfolders.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

QString q(const char *text)
{
    return QString::fromUtf8(text);
}

using Rec = TMessageRecord;

// One short string field of the message record, reached through its named accessors.
struct MessageField
{
    const char *name;
    int offset;
    int size;
    std::function<void(Rec &, QStringView)> set;
    std::function<QString(const Rec &)> get;
};

std::vector<MessageField> messageFields()
{
    std::vector<MessageField> fields = {
        {"From", 0, 256, [](Rec &r, QStringView t) { r.setFrom(t); }, [](const Rec &r) { return r.From(); }},
        {"Placeholder1", 5376, 256, [](Rec &r, QStringView t) { r.setPlaceholder1(t); },
         [](const Rec &r) { return r.Placeholder1(); }},
        {"Placeholder2", 5632, 256, [](Rec &r, QStringView t) { r.setPlaceholder2(t); },
         [](const Rec &r) { return r.Placeholder2(); }},
        {"Subject", 5888, 128, [](Rec &r, QStringView t) { r.setSubject(t); }, [](const Rec &r) { return r.Subject(); }},
    };
    // The ten-entry arrays: entry k at B + (k-1) x 256.
    for (int k = 1; k <= 10; ++k) {
        fields.push_back({"ToNames", 256 + (k - 1) * 256, 256, [k](Rec &r, QStringView t) { r.setToName(k, t); },
                          [k](const Rec &r) { return r.ToName(k); }});
        fields.push_back({"ToFolders", 2816 + (k - 1) * 256, 256, [k](Rec &r, QStringView t) { r.setToFolder(k, t); },
                          [k](const Rec &r) { return r.ToFolder(k); }});
        fields.push_back({"AttachNames", 16017 + (k - 1) * 256, 256,
                          [k](Rec &r, QStringView t) { r.setAttachName(k, t); },
                          [k](const Rec &r) { return r.AttachName(k); }});
    }
    return fields;
}

TEST(MessageRecord, EveryShortStringLiesAtItsOffsetAndKeepsNMinusOneCharacters)
{
    static_assert(sizeof(Rec) == 19100);
    for (const MessageField &f : messageFields()) {
        SCOPED_TRACE(std::string(f.name) + " at " + std::to_string(f.offset));
        Rec r;
        f.set(r, u"Ab\u00e9");
        Rec expected;
        expected.bytes[f.offset] = 3;
        expected.bytes[f.offset + 1] = 'A';
        expected.bytes[f.offset + 2] = 'b';
        expected.bytes[f.offset + 3] = '\xe9';
        EXPECT_TRUE(r == expected);
        EXPECT_EQ(f.get(r), q("Ab\u00e9"));

        // A longer text keeps its first N-1 characters and fills the field to its last byte.
        const QString longText = QString(f.size - 1, u'x') + q("yz");
        f.set(r, longText);
        EXPECT_EQ(static_cast<unsigned char>(r.bytes[f.offset]), f.size - 1);
        EXPECT_EQ(f.get(r), longText.left(f.size - 1));
        if (f.offset + f.size < Rec::Size)
            EXPECT_EQ(r.bytes[f.offset + f.size], 0) << "wrote past the field";

        // A shorter text leaves the bytes behind it as they were.
        f.set(r, u"Q");
        EXPECT_EQ(r.bytes[f.offset + 2], 'x');
        EXPECT_EQ(f.get(r), q("Q"));

        // A length byte past N-1 yields N-1 characters.
        r.bytes[f.offset] = static_cast<char>(255);
        if (f.size == 128)
            EXPECT_EQ(f.get(r).size(), 127);
        else
            EXPECT_EQ(f.get(r).size(), 255);
    }
}

TEST(MessageRecord, BodyEmptinessAndSpareFollowTheLayout)
{
    Rec r;
    r.setSubject(u"still here");
    std::memcpy(r.bodyData(), "{\\rtf1 x}", 9);
    EXPECT_TRUE(r.isEmpty()) << "only From decides";
    EXPECT_EQ(r.bodyText(), QByteArrayView("{\\rtf1 x}"));
    EXPECT_EQ(r.bytes[6016], '{');
    r.setFrom(u"A");
    EXPECT_FALSE(r.isEmpty());

    // A body of 10,001 characters reaches its last byte; byte 16,017 is not part of it.
    std::memset(r.bodyData(), 'b', Rec::BodySize);
    r.setAttachName(1, u"x.doc");
    EXPECT_EQ(r.bodyText().size(), 10001);
    EXPECT_EQ(r.Body().size(), 10001);
    EXPECT_EQ(r.bytes[16016], 'b');
    EXPECT_EQ(r.bytes[16017], 5);
    EXPECT_EQ(Rec::SpareOffset + Rec::SpareSize, Rec::Size);
    EXPECT_EQ(Rec::attachNameOffset(10), 18321);
    EXPECT_EQ(Rec::toFolderOffset(10), 5120);
}

TEST(MessageRecord, HandCheckedDropFileMatchesRecordBuiltByName)
{
    const std::string bytes = readAll(QUINDLE_TESTDATA "/store/lunch.qdm");
    ASSERT_EQ(bytes.size(), 19100u);
    Rec fromFile;
    std::memcpy(fromFile.bytes.data(), bytes.data(), bytes.size());

    Rec built;
    built.setFrom(u"Anna");
    built.setToName(1, u"Ben");
    built.setToName(2, u"Carl");
    built.setToFolder(1, u"/mail/ben/");
    built.setToFolder(2, u"/mail/carl/");
    built.setPlaceholder1(u"not yet avalable");
    built.setPlaceholder2(u"not yet avalable");
    built.setSubject(u"Caf\u00e9 at 12, \u20ac5");
    const char body[] = "{\\rtf1\\ansi Hello Ben\\par\r\n}";
    std::memcpy(built.bodyData(), body, sizeof body - 1);
    built.setAttachName(1, u"menu.pdf");
    built.setAttachName(10, u"map.png");
    EXPECT_TRUE(built == fromFile);
    EXPECT_EQ(fromFile.Subject(), q("Caf\u00e9 at 12, \u20ac5"));
    EXPECT_EQ(fromFile.Placeholder1(), q("not yet avalable"));
    EXPECT_EQ(static_cast<int>(fromFile.bytes[5376]), 16);
    // The list the InBox and the reader show skips the empty slots and keeps the last comma.
    EXPECT_EQ(attachmentListText(fromFile), q("menu.pdf,map.png,"));
    EXPECT_EQ(attachmentListText(Rec{}), QString());
}

TEST(AddressRecord, FieldsLieAtTheirOffsetsAndMatchTheSalesEntry)
{
    static_assert(sizeof(TAddressRec) == 1292);
    TAddressRec r;
    r.setName(u"Sales");
    r.setInBox(u"F:\\mail\\sales\\");
    r.setComment(u"");
    r.setServer(1);
    const std::string file = readAll(QUINDLE_TESTDATA "/store/sales.qda");
    ASSERT_EQ(file.size(), 1292u);
    EXPECT_EQ(std::string(r.bytes.data(), r.bytes.size()), file);

    struct Field
    {
        int offset;
        int size;
        void (TAddressRec::*set)(QStringView);
        QString (TAddressRec::*get)() const;
    };
    const Field fields[] = {{0, 128, &TAddressRec::setName, &TAddressRec::Name},
                            {128, 256, &TAddressRec::setInBox, &TAddressRec::InBox},
                            {384, 256, &TAddressRec::setComment, &TAddressRec::Comment},
                            {640, 128, &TAddressRec::setReserved, &TAddressRec::Reserved}};
    for (const Field &f : fields) {
        TAddressRec a;
        const QString text(300, u'n');
        (a.*f.set)(text);
        EXPECT_EQ(static_cast<unsigned char>(a.bytes[f.offset]), f.size - 1);
        EXPECT_EQ((a.*f.get)(), text.left(f.size - 1));
        EXPECT_EQ(a.bytes[f.offset + f.size], 0) << "wrote past the field at " << f.offset;
    }
    TAddressRec empty;
    empty.bytes[1] = 'x';
    EXPECT_TRUE(empty.isEmpty());
}

TEST(Cp1252, EveryByteSurvivesTheRoundTrip)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = fromCp1252(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(toCp1252(text), all);

    struct Pair
    {
        unsigned char byte;
        char16_t unicode;
    };
    // Defined characters of 0x80..0x9F, the five undefined bytes, and the Latin-1 half.
    const Pair pairs[] = {{0x80, 0x20AC}, {0x81, 0x0081}, {0x8A, 0x0160}, {0x8D, 0x008D}, {0x8F, 0x008F},
                          {0x90, 0x0090}, {0x93, 0x201C}, {0x99, 0x2122}, {0x9D, 0x009D}, {0x9F, 0x0178},
                          {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF}, {0x41, 0x0041}, {0x00, 0x0000}};
    for (const Pair &p : pairs) {
        EXPECT_EQ(text[p.byte].unicode(), p.unicode) << int(p.byte);
        EXPECT_EQ(toCp1252(QStringView(&p.unicode, 1)), QByteArray(1, static_cast<char>(p.byte)));
    }
    // Characters it cannot hold become one '?' each, a surrogate pair included.
    EXPECT_EQ(toCp1252(q("\u0100\u4e2d\U0001F600x")), QByteArray("???x"));
}

TEST(ShortString, WriterAndReaderKeepToTheField)
{
    char field[8];
    std::memset(field, '#', sizeof field);
    writeShortString(field, 8, u"abcdefghij");
    EXPECT_EQ(QByteArray(field, 8), QByteArray("\x07" "abcdefg"));
    writeShortString(field, 8, u"\u20ac");
    EXPECT_EQ(QByteArray(field, 8), QByteArray("\x01\x80" "bcdefg"));
    EXPECT_EQ(readShortString(field, 8), q("\u20ac"));
    field[0] = static_cast<char>(200);
    EXPECT_EQ(shortStringLength(field, 8), 7);
    EXPECT_EQ(readShortString(field, 8), q("\u20ac" "bcdefg"));
}

} // namespace
