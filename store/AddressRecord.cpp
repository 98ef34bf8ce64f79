#include "AddressRecord.h"

#include "ShortString.h"

QString TAddressRec::Name() const { return readShortString(bytes.data() + NameOffset, NameSize); }
void TAddressRec::setName(QStringView text) { writeShortString(bytes.data() + NameOffset, NameSize, text); }

QString TAddressRec::InBox() const { return readShortString(bytes.data() + InBoxOffset, InBoxSize); }
void TAddressRec::setInBox(QStringView text) { writeShortString(bytes.data() + InBoxOffset, InBoxSize, text); }

QString TAddressRec::Comment() const { return readShortString(bytes.data() + CommentOffset, CommentSize); }
void TAddressRec::setComment(QStringView text) { writeShortString(bytes.data() + CommentOffset, CommentSize, text); }

QString TAddressRec::Reserved() const { return readShortString(bytes.data() + ReservedOffset, ReservedSize); }
void TAddressRec::setReserved(QStringView text) { writeShortString(bytes.data() + ReservedOffset, ReservedSize, text); }
