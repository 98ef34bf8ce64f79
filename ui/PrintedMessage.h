#pragma once

#include <QString>
#include <QStringList>

class QTextDocument;
struct TMessageRecord;

// A received message as it goes to paper or PDF: a header of From, Subject, Received and
// Attachments, a rule, then the body with its formatting. `received` is shown as given
// (empty when not known); `attachments` are the names the message carries.
void composePrintedMessage(QTextDocument &into, const TMessageRecord &message, const QString &received,
                           const QStringList &attachments);
