#pragma once

#include <array>
#include <memory>

// A Windows code page in which the 8-bit bytes of an RTF document may be written: the
// document's \ansicpg, or the one a font's \fcharset names. Bytes below 0x80 are ASCII in
// every one of them.
class CodePage
{
public:
    // Windows-1252 as the record texts read it, undefined bytes standing for themselves.
    static const CodePage &windows1252();
    // Those the reader knows (874, 932, 936, 949, 950, 1250 to 1258 and a few older ones),
    // built from the system's converters at first use; nullptr for any other number or when
    // the system cannot convert it.
    static const CodePage *find(int number);

    int number() const { return m_number; }
    bool doubleByte() const { return m_pairs != nullptr; }
    // What each byte reads as on its own: ASCII below 0x80, U+FFFD where the code page
    // defines nothing, 0 for a lead byte of a double-byte code page.
    const char16_t *singles() const { return m_singles.data(); }
    // A lead byte with the byte after it; 0 when the two are no character.
    char16_t pair(unsigned char lead, unsigned char trail) const
    {
        return m_pairs && lead >= 0x80 ? m_pairs[std::size_t(lead - 0x80) * 256 + trail] : 0;
    }

    CodePage(const CodePage &) = delete;
    CodePage &operator=(const CodePage &) = delete;

private:
    explicit CodePage(int number) : m_number(number) {}
    static std::unique_ptr<CodePage> build(int number, const char *systemName);

    int m_number;
    std::array<char16_t, 256> m_singles{};
    std::unique_ptr<char16_t[]> m_pairs; // [lead - 0x80][trail]
};

// The code page a font's \fcharset names; 0 where the font takes the document's.
int codePageOfCharset(int charset);
