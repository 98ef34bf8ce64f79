#include "ShortString.h"

#include "Cp1252.h"

#include <algorithm>
#include <cstring>

int shortStringLength(const char *field, int size)
{
    return std::min<int>(static_cast<unsigned char>(field[0]), size - 1);
}

QString readShortString(const char *field, int size)
{
    return fromCp1252(QByteArrayView(field + 1, shortStringLength(field, size)));
}

void writeShortString(char *field, int size, QStringView text)
{
    QByteArray bytes = toCp1252(text);
    if (bytes.size() > size - 1)
        bytes.truncate(size - 1);
    field[0] = static_cast<char>(bytes.size());
    std::memcpy(field + 1, bytes.constData(), static_cast<std::size_t>(bytes.size()));
}
