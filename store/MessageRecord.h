#pragma once

#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstddef>
#include <initializer_list>
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

// The in-memory inbox: element i is slot i of the inbox datafile. A large inbox is most of
// the program's memory, so the array holds exactly what it is given (a load takes the
// file's size; slots added one at a time come a group of 64 at a time) and grows without
// copying its records: the system extends or remaps the block, so growing never needs the
// room of two inboxes at once. Used like a std::vector.
class TInboxData
{
public:
    using value_type = TMessageRecord;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using reference = TMessageRecord &;
    using const_reference = const TMessageRecord &;
    using pointer = TMessageRecord *;
    using const_pointer = const TMessageRecord *;
    using iterator = TMessageRecord *;
    using const_iterator = const TMessageRecord *;

    static constexpr size_type GrowthStep = 64;

    TInboxData() = default;
    explicit TInboxData(size_type count); // free slots
    TInboxData(std::initializer_list<TMessageRecord> records);
    TInboxData(const TInboxData &other);
    TInboxData(TInboxData &&other) noexcept;
    TInboxData &operator=(const TInboxData &other);
    TInboxData &operator=(TInboxData &&other) noexcept;
    ~TInboxData();

    size_type size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    size_type capacity() const { return m_capacity; }
    TMessageRecord *data() { return m_data; }
    const TMessageRecord *data() const { return m_data; }
    TMessageRecord &operator[](size_type i) { return m_data[i]; }
    const TMessageRecord &operator[](size_type i) const { return m_data[i]; }
    TMessageRecord &at(size_type i);
    const TMessageRecord &at(size_type i) const;
    TMessageRecord &front() { return m_data[0]; }
    const TMessageRecord &front() const { return m_data[0]; }
    TMessageRecord &back() { return m_data[m_size - 1]; }
    const TMessageRecord &back() const { return m_data[m_size - 1]; }
    iterator begin() { return m_data; }
    iterator end() { return m_data + m_size; }
    const_iterator begin() const { return m_data; }
    const_iterator end() const { return m_data + m_size; }
    const_iterator cbegin() const { return m_data; }
    const_iterator cend() const { return m_data + m_size; }

    // Room for exactly n records (never less than the size).
    void reserve(size_type n);
    // New slots are free; a shorter array gives its memory back.
    void resize(size_type n);
    void clear() { resize(0); }
    void shrink_to_fit() { reserve(m_size); }
    // Appends a free slot.
    TMessageRecord &emplace_back();
    TMessageRecord &emplace_back(const TMessageRecord &record);
    void push_back(const TMessageRecord &record) { emplace_back(record); }
    void pop_back() { resize(m_size - 1); }
    void swap(TInboxData &other) noexcept;

    friend bool operator==(const TInboxData &a, const TInboxData &b);
    friend bool operator==(const TInboxData &a, const std::vector<TMessageRecord> &b);

private:
    void reallocate(size_type capacity);

    TMessageRecord *m_data = nullptr;
    size_type m_size = 0;
    size_type m_capacity = 0;
};
