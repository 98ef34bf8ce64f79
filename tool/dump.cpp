#include "commands.h"

#include "AddressRecord.h"
#include "Cp1252.h"
#include "IoError.h"
#include "MessageRecord.h"
#include "RecordFile.h"

#include <QString>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

enum class Kind { Unknown, Messages, Addresses };

void appendJsonString(std::string &out, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    out += '"';
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

void appendField(std::string &out, const char *name, const QString &text)
{
    out += ", \"";
    out += name;
    out += "\": ";
    appendJsonString(out, text);
}

template<class Get>
void appendArray(std::string &out, const char *name, Get get)
{
    out += ", \"";
    out += name;
    out += "\": [";
    for (int k = 1; k <= TMessageRecord::SlotCount; ++k) {
        if (k > 1)
            out += ", ";
        appendJsonString(out, get(k));
    }
    out += ']';
}

void appendHead(std::string &out, const char *kind, int size, std::int64_t trailing)
{
    out += "{\"kind\": \"";
    out += kind;
    out += "\", \"record_size\": " + std::to_string(size) + ", \"trailing_bytes\": " + std::to_string(trailing)
         + ", \"records\": [";
}

std::string dumpMessages(const std::string &path)
{
    const MessageFileContents contents = readMessageFile(path);
    std::string out;
    appendHead(out, "messages", TMessageRecord::Size, contents.trailingBytes);
    for (std::size_t i = 0; i < contents.records.size(); ++i) {
        const TMessageRecord &r = contents.records[i];
        out += i == 0 ? "\n" : ",\n";
        out += "{\"index\": " + std::to_string(i) + ", \"free\": " + (r.isEmpty() ? "true" : "false");
        appendField(out, "From", r.From());
        appendArray(out, "ToNames", [&r](int k) { return r.ToName(k); });
        appendArray(out, "ToFolders", [&r](int k) { return r.ToFolder(k); });
        appendField(out, "Placeholder1", r.Placeholder1());
        appendField(out, "Placeholder2", r.Placeholder2());
        appendField(out, "Subject", r.Subject());
        appendField(out, "Body", fromCp1252(r.bodyText()));
        appendArray(out, "AttachNames", [&r](int k) { return r.AttachName(k); });
        out += '}';
    }
    out += "\n]}\n";
    return out;
}

std::string dumpAddresses(const std::string &path)
{
    const AddressFileContents contents = readAddressFile(path);
    std::string out;
    appendHead(out, "addresses", TAddressRec::Size, contents.trailingBytes);
    for (std::size_t i = 0; i < contents.records.size(); ++i) {
        const TAddressRec &r = contents.records[i];
        out += i == 0 ? "\n" : ",\n";
        out += "{\"index\": " + std::to_string(i) + ", \"empty\": " + (r.isEmpty() ? "true" : "false");
        appendField(out, "Name", r.Name());
        appendField(out, "InBox", r.InBox());
        appendField(out, "Comment", r.Comment());
        appendField(out, "Reserved", r.Reserved());
        out += ", \"Server\": " + std::to_string(r.Server()) + '}';
    }
    out += "\n]}\n";
    return out;
}

bool endsWith(const std::string &text, const char *suffix)
{
    const std::size_t n = std::strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

Kind kindOf(const std::string &path)
{
    if (endsWith(path, ".qdm") || endsWith(path, ".qdi"))
        return Kind::Messages;
    if (endsWith(path, ".qda"))
        return Kind::Addresses;
    return Kind::Unknown;
}

} // namespace

int runDump(int argc, char **argv)
{
    Kind forced = Kind::Unknown;
    const char *file = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--messages") == 0) {
            forced = Kind::Messages;
        } else if (std::strcmp(argv[i], "--addresses") == 0) {
            forced = Kind::Addresses;
        } else if (!file && (argv[i][0] != '-' || std::strcmp(argv[i], "-") == 0)) {
            file = argv[i];
        } else {
            std::fprintf(stderr, "quindle-tool: dump: unexpected argument %s\n", argv[i]);
            std::fputs("usage: quindle-tool dump [--messages|--addresses] FILE\n", stderr);
            return 2;
        }
    }
    if (!file) {
        std::fputs("usage: quindle-tool dump [--messages|--addresses] FILE\n", stderr);
        return 2;
    }
    const std::string path(file);
    const Kind kind = forced != Kind::Unknown ? forced : kindOf(path);
    if (kind == Kind::Unknown) {
        std::fprintf(stderr, "quindle-tool: dump: %s: unknown kind of file; use --messages or --addresses\n", file);
        return 1;
    }
    try {
        const std::string out = kind == Kind::Messages ? dumpMessages(path) : dumpAddresses(path);
        if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
            std::fprintf(stderr, "quindle-tool: dump: cannot write the output\n");
            return 1;
        }
    } catch (const IoError &error) {
        std::fprintf(stderr, "quindle-tool: dump: %s: %s\n", file, error.what());
        return 1;
    }
    return 0;
}
