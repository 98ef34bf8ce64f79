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
