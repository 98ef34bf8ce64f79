#include "SampleDocuments.h"

#include <QFont>
#include <QTextDocument>
#include <QTextList>

QTextCharFormat style(bool bold, bool italic, bool underline)
{
    QTextCharFormat f;
    f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(italic);
    f.setFontUnderline(underline);
    return f;
}

QTextCharFormat font(const QString &family, double points)
{
    QTextCharFormat f;
    f.setFontFamilies(QStringList{family});
    f.setFontPointSize(points);
    return f;
}

Builder::Builder(QTextDocument &document) : m_cursor(&document)
{
    document.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 8));
}

Builder &Builder::paragraph(Qt::Alignment align, bool bullet)
{
    QTextBlockFormat f;
    f.setAlignment(align);
    if (m_first)
        m_cursor.setBlockFormat(f);
    else
        m_cursor.insertBlock(f);
    m_first = false;
    if (bullet) {
        QTextListFormat lf;
        lf.setStyle(QTextListFormat::ListDisc);
        if (m_list)
            m_list->add(m_cursor.block());
        else
            m_list = m_cursor.createList(lf);
    } else {
        if (QTextList *l = m_cursor.block().textList())
            l->remove(m_cursor.block());
        m_list = nullptr;
    }
    return *this;
}

Builder &Builder::text(const QString &t, const QTextCharFormat &f)
{
    m_cursor.insertText(t, f);
    return *this;
}

const std::vector<SampleDocument> &sampleDocuments()
{
    static const std::vector<SampleDocument> all = {
        {"plain paragraphs", [](Builder &b) {
             b.paragraph().text(QStringLiteral("Hello Anna,"));
             b.paragraph().text(QStringLiteral("Thanks for the notes."));
             b.paragraph();
             b.paragraph().text(QStringLiteral("Tom"));
         }},
        {"styles and combinations", [](Builder &b) {
             b.paragraph()
                 .text(QStringLiteral("plain "))
                 .text(QStringLiteral("bold"), style(true))
                 .text(QStringLiteral(" "))
                 .text(QStringLiteral("italic"), style(false, true))
                 .text(QStringLiteral("under"), style(false, false, true))
                 .text(QStringLiteral("all three"), style(true, true, true))
                 .text(QStringLiteral("-9 after"));
             b.paragraph().text(QStringLiteral("bold across"), style(true));
             b.paragraph().text(QStringLiteral("paragraphs"), style(true)).text(QStringLiteral(" 2"));
         }},
        {"alignment", [](Builder &b) {
             b.paragraph(Qt::AlignHCenter).text(QStringLiteral("Centred title"), style(true));
             b.paragraph(Qt::AlignRight).text(QStringLiteral("right"));
             b.paragraph(Qt::AlignJustify).text(QStringLiteral("justified text"));
             b.paragraph().text(QStringLiteral("left again"));
             b.paragraph(Qt::AlignRight);
         }},
        {"bullets", [](Builder &b) {
             b.paragraph().text(QStringLiteral("Agenda:"));
             b.paragraph(Qt::AlignLeft, true).text(QStringLiteral("Budget"));
             b.paragraph(Qt::AlignHCenter, true).text(QStringLiteral("Urgent"), style(true)).text(QStringLiteral(": move"));
             b.paragraph(Qt::AlignLeft, true);
             b.paragraph(Qt::AlignRight).text(QStringLiteral("between"));
             b.paragraph(Qt::AlignLeft, true).text(QStringLiteral("second list"));
         }},
        {"fonts and sizes", [](Builder &b) {
             b.paragraph().text(QStringLiteral("Big"), font(QStringLiteral("Liberation Serif"), 20));
             b.paragraph()
                 .text(QStringLiteral("default "))
                 .text(QStringLiteral("10.5"), font(QStringLiteral("DejaVu Sans"), 10.5))
                 .text(QStringLiteral(" mono"), font(QStringLiteral("Courier New"), 12))
                 .text(QStringLiteral("1"), font(QStringLiteral("Liberation Serif"), 9));
         }},
        {"characters", [](Builder &b) {
             b.paragraph().text(QStringLiteral("C:\\Users\\{anna}\\ \\par \\'e9 \\u8364? {\\b x}"));
             b.paragraph().text(QString::fromUtf8("Café ß œ € £ ¥ ° © ½ × ± « » “ ” ‘ ’ – — … ™"));
             b.paragraph().text(QString::fromUtf8("Καλημέρα Привет Zażółć 你好 ≠ ∞ → 😀 𝄞"));
             b.paragraph().text(QString::fromUtf8("tab\there\u2028line two\u00a0nbsp soft\u00adhyphen non\u2011break"));
             b.paragraph().text(QStringLiteral("  leading and trailing spaces  "));
         }},
        {"typical mail", [](Builder &b) {
             b.paragraph(Qt::AlignHCenter).text(QStringLiteral("Team lunch on Friday"), [] {
                 QTextCharFormat f = style(true);
                 f.setFontPointSize(20);
                 return f;
             }());
             b.paragraph().text(QStringLiteral("Hi everyone,"));
             b.paragraph()
                 .text(QStringLiteral("we meet at "))
                 .text(QStringLiteral("12:30"), style(true))
                 .text(QString::fromUtf8(" in the "))
                 .text(QString::fromUtf8("Café Müller"), style(false, true))
                 .text(QStringLiteral(". Please "))
                 .text(QStringLiteral("reply by Wednesday"), style(false, false, true))
                 .text(QStringLiteral("."));
             b.paragraph(Qt::AlignLeft, true).text(QString::fromUtf8("Menu for 18 €"));
             b.paragraph(Qt::AlignLeft, true).text(QStringLiteral("Vegetarian"), style(true)).text(QStringLiteral(" options"));
             b.paragraph();
             b.paragraph().text(QStringLiteral("Folder: \\\\server\\team\\{lunch}"));
             b.paragraph(Qt::AlignRight).text(QStringLiteral("See you there!"), style(false, true));
             b.paragraph().text(QString::fromUtf8("Best regards,\u2028Jürgen"));
         }},
    };
    return all;
}

