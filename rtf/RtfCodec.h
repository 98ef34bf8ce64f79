#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QTextDocument;

// A message body travels as RTF in a fixed 10,001-byte field, markup included, so the
// writer spends bytes only on what the document holds, and the reader accepts what other
// programs write as well as whatever bytes a peer leaves in the field.

// Paragraphs, bold, italic, underline, alignment, bullet lists, font family and size.
// The same document always gives the same bytes.
QByteArray writeRtf(const QTextDocument &document);

// Replaces the content of `into` with the RTF in `bytes`. Reading ends at the brace that
// closes the document; anything after it (zero bytes, remains of an older body) is
// ignored. Malformed input yields whatever could be read. Bytes that do not start an RTF
// document are taken as plain Windows-1252 text up to the first zero byte.
void readRtf(QByteArrayView bytes, QTextDocument &into);

// The document as lines for a terminal: every paragraph ends with a newline, a bullet
// paragraph starts with "* ", a line break inside a paragraph becomes a newline.
QString plainTextForTerminal(const QTextDocument &document);
