#pragma once

#include <QByteArrayView>
#include <QString>

#include <array>
#include <vector>

// One message: 19,100 bytes, packed, no header. The same bytes are a drop file, a slot of
// the inbox datafile and an element of the inbox array; every copy of the program that
// exchanges mail relies on these offsets.
struct TMessageRecord
{
    static constexpr int Size = 19100;
    static constexpr int SlotCount = 10; // recipients and attachments, numbered 1..10

    static constexpr int FromOffset = 0;             // 256
    static constexpr int ToNamesOffset = 256;        // 10 x 256
    static constexpr int ToFoldersOffset = 2816;     // 10 x 256
    static constexpr int Placeholder1Offset = 5376;  // 256
    static constexpr int Placeholder2Offset = 5632;  // 256
    static constexpr int SubjectOffset = 5888;       // 128
    static constexpr int BodyOffset = 6016;          // 10,001 raw bytes
    static constexpr int AttachNamesOffset = 16017;  // 10 x 256
    static constexpr int SpareOffset = 18577;        // 523
    static constexpr int NameFieldSize = 256;
    static constexpr int SubjectSize = 128;
    static constexpr int BodySize = 10001;
    static constexpr int SpareSize = 523;

    std::array<char, Size> bytes{};

    QString From() const;
    void setFrom(QStringView text);
    QString ToName(int k) const; // k = 1..10
    void setToName(int k, QStringView text);
    QString ToFolder(int k) const;
    void setToFolder(int k, QStringView text);
    QString Placeholder1() const;
    void setPlaceholder1(QStringView text);
    QString Placeholder2() const;
    void setPlaceholder2(QStringView text);
    QString Subject() const;
    void setSubject(QStringView text);
    QString AttachName(int k) const;
    void setAttachName(int k, QStringView text);

    // All 10,001 bytes of the body field.
    QByteArrayView Body() const { return QByteArrayView(bytes.data() + BodyOffset, BodySize); }
    char *bodyData() { return bytes.data() + BodyOffset; }
    // The body up to its first zero byte (all of it when there is none).
    QByteArrayView bodyText() const;

    // Direct access to a field's first byte (its length byte for short strings).
    char *field(int offset) { return bytes.data() + offset; }
    const char *field(int offset) const { return bytes.data() + offset; }
    static int toNameOffset(int k) { return ToNamesOffset + (k - 1) * NameFieldSize; }
    static int toFolderOffset(int k) { return ToFoldersOffset + (k - 1) * NameFieldSize; }
    static int attachNameOffset(int k) { return AttachNamesOffset + (k - 1) * NameFieldSize; }

    // A record whose From has length 0 is a free slot, whatever the other fields hold.
    bool isEmpty() const { return bytes[FromOffset] == 0; }

    bool operator==(const TMessageRecord &other) const = default;
};

// The non-empty attachment names in entry order, each followed by a comma ("a.doc,b.txt,"),
// as the InBox list and the reader show them.
QString attachmentListText(const TMessageRecord &record);

// The in-memory inbox: element i is slot i of the inbox datafile.
using TInboxData = std::vector<TMessageRecord>;
