#include "MessageRecord.h"

#include "ShortString.h"

#include <cstring>

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
