// A body's bytes, as a colleague's copy of the program or a damaged record leaves them.
#include "RtfBody.h"
#include "RtfCodec.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    new QGuiApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QTextDocument doc;
    readRtf(QByteArrayView(data, qsizetype(size)), doc);

    // What holds for any input: every character comes from at least one byte, and a peer
    // that receives the document again reads the same text.
    if (doc.characterCount() > qsizetype(size) + 2) {
        std::fprintf(stderr, "%d characters from %zu bytes\n", doc.characterCount(), size);
        std::abort();
    }
    // The tool reads the text without a document, and must read the same.
    if (rtf::terminalText(rtf::parse(QByteArrayView(data, qsizetype(size)))) != plainTextForTerminal(doc)) {
        std::fprintf(stderr, "the tool's text differs from the document's\n");
        std::abort();
    }
    QTextDocument again;
    readRtf(writeRtf(doc), again);
    if (plainTextForTerminal(again) != plainTextForTerminal(doc)) {
        std::fprintf(stderr, "read back differently:\n%s\n---\n%s\n", qPrintable(plainTextForTerminal(doc)),
                     qPrintable(plainTextForTerminal(again)));
        std::abort();
    }
    return 0;
}
