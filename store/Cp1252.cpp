#include "Cp1252.h"

#include <array>

namespace {

// 0x80..0x9F; the undefined ones stand for themselves.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

char16_t cp1252ToUnicode(unsigned char byte)
{
    return (byte >= 0x80 && byte <= 0x9F) ? kHigh[byte - 0x80] : char16_t(byte);
}

std::optional<unsigned char> unicodeToCp1252(char16_t ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return static_cast<unsigned char>(ch);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == ch)
            return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

QString fromCp1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(cp1252ToUnicode(static_cast<unsigned char>(bytes[i])));
    return text;
}

QByteArray toCp1252(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        // A character outside the 16-bit range is one '?', not two.
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        bytes.append(c.isSurrogate() ? '?' : static_cast<char>(unicodeToCp1252(c.unicode()).value_or('?')));
    }
    return bytes;
}

QString firstCharOutsideCp1252(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            return text.mid(i, 2).toString();
        if (c.isSurrogate() || !unicodeToCp1252(c.unicode()))
            return QString(c);
    }
    return QString();
}

QString cp1252RefusalMessage(const QString &what, QStringView text)
{
    const QString c = firstCharOutsideCp1252(text);
    if (c.isEmpty())
        return QString();
    const uint code = c.size() == 2 ? QChar::surrogateToUcs4(c[0], c[1]) : c[0].unicode();
    return QStringLiteral("%1 holds the character \"%2\" (U+%3), which other copies of Quindle cannot read: "
                          "mail would never reach it. Nothing was saved.")
        .arg(what, c, QStringLiteral("%1").arg(code, 4, 16, QLatin1Char('0')).toUpper());
}
