#pragma once

#include <QString>
#include <QStringView>

// A short string field of `size` bytes: a length byte L (0..size-1) and L Windows-1252
// characters. A reader never takes more than size-1 characters, whatever the length
// byte says; a writer keeps the first size-1 characters and leaves the bytes behind the
// text as they were.
QString readShortString(const char *field, int size);
void writeShortString(char *field, int size, QStringView text);
// The length byte as it will be read (at most size-1).
int shortStringLength(const char *field, int size);
