#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// Record texts are Windows-1252. The five bytes it leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the control characters of the same number, so every byte survives
// a round trip. A character it cannot hold becomes '?'.
QString fromCp1252(QByteArrayView bytes);
QByteArray toCp1252(QStringView text);

// One character each way; nullopt for a character that Windows-1252 cannot hold.
char16_t cp1252ToUnicode(unsigned char byte);
std::optional<unsigned char> unicodeToCp1252(char16_t ch);

// The first character of text that Windows-1252 cannot hold (a pair of surrogates is one
// character), or an empty text when all of it fits.
QString firstCharOutsideCp1252(QStringView text);
// The refusal of a text that names something other copies must find (a user's name, an
// address entry's name or folder), naming the character it cannot carry; empty when it fits.
QString cp1252RefusalMessage(const QString &what, QStringView text);
