#pragma once

#include <QString>

#include <array>
#include <vector>

// One address book entry: 1,292 bytes, stored in the file exactly as held in memory.
struct TAddressRec
{
    static constexpr int Size = 1292;
    static constexpr int NameOffset = 0;       // 128
    static constexpr int InBoxOffset = 128;    // 256
    static constexpr int CommentOffset = 384;  // 256
    static constexpr int ReservedOffset = 640; // 128
    static constexpr int ServerOffset = 768;   // 1 byte: 0 = no, 1 = yes
    static constexpr int NameSize = 128;
    static constexpr int InBoxSize = 256;
    static constexpr int CommentSize = 256;
    static constexpr int ReservedSize = 128;

    std::array<char, Size> bytes{};

    QString Name() const;
    void setName(QStringView text);
    QString InBox() const;
    void setInBox(QStringView text);
    QString Comment() const;
    void setComment(QStringView text);
    QString Reserved() const;
    void setReserved(QStringView text);
    unsigned char Server() const { return static_cast<unsigned char>(bytes[ServerOffset]); }
    void setServer(unsigned char flag) { bytes[ServerOffset] = static_cast<char>(flag); }

    // An entry whose Name has length 0 is empty.
    bool isEmpty() const { return bytes[NameOffset] == 0; }

    bool operator==(const TAddressRec &other) const = default;
};

// The in-memory address list: element i is record i of the address list file.
using TAddressData = std::vector<TAddressRec>;
