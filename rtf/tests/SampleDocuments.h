#pragma once

#include <QTextCharFormat>
#include <QTextCursor>

#include <functional>
#include <vector>

class QTextDocument;
class QTextList;

QTextCharFormat style(bool bold = false, bool italic = false, bool underline = false);
QTextCharFormat font(const QString &family, double points);

// Builds documents the way the compose editor does: paragraph by paragraph through a cursor.
class Builder
{
public:
    explicit Builder(QTextDocument &document);

    Builder &paragraph(Qt::Alignment align = Qt::AlignLeft, bool bullet = false);
    Builder &text(const QString &t, const QTextCharFormat &f = QTextCharFormat());

private:
    QTextCursor m_cursor;
    QTextList *m_list = nullptr;
    bool m_first = true;
};

// Documents that together use every feature a body can carry.
struct SampleDocument
{
    const char *name;
    std::function<void(Builder &)> build;
};

const std::vector<SampleDocument> &sampleDocuments();
