#include "MessageRecord.h"

#include "ShortString.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <type_traits>

namespace {
constexpr int kName = TMessageRecord::NameFieldSize;
}

QString TMessageRecord::From() const { return readShortString(field(FromOffset), kName); }
void TMessageRecord::setFrom(QStringView text) { writeShortString(field(FromOffset), kName, text); }

QString TMessageRecord::ToName(int k) const { return readShortString(field(toNameOffset(k)), kName); }
void TMessageRecord::setToName(int k, QStringView text) { writeShortString(field(toNameOffset(k)), kName, text); }

QString TMessageRecord::ToFolder(int k) const { return readShortString(field(toFolderOffset(k)), kName); }
void TMessageRecord::setToFolder(int k, QStringView text) { writeShortString(field(toFolderOffset(k)), kName, text); }

QString TMessageRecord::Placeholder1() const { return readShortString(field(Placeholder1Offset), kName); }
void TMessageRecord::setPlaceholder1(QStringView text) { writeShortString(field(Placeholder1Offset), kName, text); }

QString TMessageRecord::Placeholder2() const { return readShortString(field(Placeholder2Offset), kName); }
void TMessageRecord::setPlaceholder2(QStringView text) { writeShortString(field(Placeholder2Offset), kName, text); }

QString TMessageRecord::Subject() const { return readShortString(field(SubjectOffset), SubjectSize); }
void TMessageRecord::setSubject(QStringView text) { writeShortString(field(SubjectOffset), SubjectSize, text); }

QString TMessageRecord::AttachName(int k) const { return readShortString(field(attachNameOffset(k)), kName); }
void TMessageRecord::setAttachName(int k, QStringView text) { writeShortString(field(attachNameOffset(k)), kName, text); }

QByteArrayView TMessageRecord::bodyText() const
{
    const char *body = field(BodyOffset);
    const void *zero = std::memchr(body, 0, BodySize);
    return QByteArrayView(body, zero ? static_cast<const char *>(zero) - body : BodySize);
}

QString attachmentListText(const TMessageRecord &record)
{
    QString text;
    for (int k = 1; k <= TMessageRecord::SlotCount; ++k) {
        if (*record.field(TMessageRecord::attachNameOffset(k)) != 0)
            text += record.AttachName(k) + QLatin1Char(',');
    }
    return text;
}

// Records are moved as bytes by realloc, which may remap instead of copying.
static_assert(std::is_trivially_copyable_v<TMessageRecord>);
static_assert(sizeof(TMessageRecord) == TMessageRecord::Size);

TInboxData::TInboxData(size_type count)
{
    resize(count);
}

TInboxData::TInboxData(std::initializer_list<TMessageRecord> records)
{
    reserve(records.size());
    for (const TMessageRecord &record : records)
        emplace_back(record);
}

TInboxData::TInboxData(const TInboxData &other)
{
    reserve(other.m_size);
    if (other.m_size > 0)
        std::memcpy(static_cast<void *>(m_data), other.m_data, other.m_size * sizeof(TMessageRecord));
    m_size = other.m_size;
}

TInboxData::TInboxData(TInboxData &&other) noexcept
{
    swap(other);
}

TInboxData &TInboxData::operator=(const TInboxData &other)
{
    if (this != &other) {
        TInboxData copy(other);
        swap(copy);
    }
    return *this;
}

TInboxData &TInboxData::operator=(TInboxData &&other) noexcept
{
    TInboxData moved(std::move(other));
    swap(moved);
    return *this;
}

TInboxData::~TInboxData()
{
    std::free(m_data);
}

TMessageRecord &TInboxData::at(size_type i)
{
    if (i >= m_size)
        throw std::out_of_range("TInboxData::at");
    return m_data[i];
}

const TMessageRecord &TInboxData::at(size_type i) const
{
    if (i >= m_size)
        throw std::out_of_range("TInboxData::at");
    return m_data[i];
}

void TInboxData::reallocate(size_type capacity)
{
    if (capacity == 0) {
        std::free(m_data);
        m_data = nullptr;
    } else if (!m_data) {
        // Fresh memory from calloc is zero without being touched, so a load writes each page once.
        m_data = static_cast<TMessageRecord *>(std::calloc(capacity, sizeof(TMessageRecord)));
        if (!m_data)
            throw std::bad_alloc();
    } else {
        void *grown = std::realloc(m_data, capacity * sizeof(TMessageRecord));
        if (!grown)
            throw std::bad_alloc();
        m_data = static_cast<TMessageRecord *>(grown);
    }
    m_capacity = capacity;
}

void TInboxData::reserve(size_type n)
{
    if (n < m_size)
        n = m_size;
    if (n != m_capacity)
        reallocate(n);
}

void TInboxData::resize(size_type n)
{
    if (n > m_capacity) {
        const bool fresh = m_data == nullptr;
        reallocate(n);
        if (fresh) {
            m_size = n;
            return;
        }
    }
    if (n > m_size)
        std::memset(static_cast<void *>(m_data + m_size), 0, (n - m_size) * sizeof(TMessageRecord));
    m_size = n;
    if (m_capacity > n)
        reallocate(n);
}

TMessageRecord &TInboxData::emplace_back()
{
    if (m_size == m_capacity)
        reallocate(m_capacity + GrowthStep);
    TMessageRecord *slot = m_data + m_size;
    std::memset(static_cast<void *>(slot), 0, sizeof(TMessageRecord));
    ++m_size;
    return *slot;
}

TMessageRecord &TInboxData::emplace_back(const TMessageRecord &record)
{
    // The record may be one of ours, which growing can move.
    const TMessageRecord copy = record;
    TMessageRecord &slot = emplace_back();
    slot = copy;
    return slot;
}

void TInboxData::swap(TInboxData &other) noexcept
{
    std::swap(m_data, other.m_data);
    std::swap(m_size, other.m_size);
    std::swap(m_capacity, other.m_capacity);
}

bool operator==(const TInboxData &a, const TInboxData &b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(TMessageRecord)) == 0);
}

bool operator==(const TInboxData &a, const std::vector<TMessageRecord> &b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(TMessageRecord)) == 0);
}
