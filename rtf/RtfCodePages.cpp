#include "RtfCodePages.h"

#include "Cp1252.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace {

struct Known
{
    int number;
    const char *systemName; // as iconv names it
};

constexpr Known kKnown[] = {
    {874, "CP874"},   {932, "CP932"},   {936, "CP936"},   {949, "CP949"},   {950, "CP950"},
    {1250, "CP1250"}, {1251, "CP1251"}, {1253, "CP1253"}, {1254, "CP1254"}, {1255, "CP1255"},
    {1256, "CP1256"}, {1257, "CP1257"}, {1258, "CP1258"}, {1361, "CP1361"}, {437, "CP437"},
    {10000, "MACINTOSH"},
};

constexpr std::size_t kKnownCount = std::size(kKnown);

// One conversion from a fresh state; 0 when the bytes are not exactly one character of the
// Basic Multilingual Plane, -1 when they are the start of a longer one.
int convert(iconv_t cd, const unsigned char *bytes, std::size_t size)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char16_t out[4] = {};
    char *in = reinterpret_cast<char *>(const_cast<unsigned char *>(bytes));
    char *to = reinterpret_cast<char *>(out);
    std::size_t inLeft = size;
    std::size_t outLeft = sizeof out;
    if (iconv(cd, &in, &inLeft, &to, &outLeft) == std::size_t(-1))
        return errno == EINVAL ? -1 : 0;
    // Code pages that combine letters with accents hold a letter back until they know.
    iconv(cd, nullptr, nullptr, &to, &outLeft);
    if (inLeft != 0 || sizeof out - outLeft != sizeof(char16_t))
        return 0;
    return out[0];
}

} // namespace

const CodePage &CodePage::windows1252()
{
    static const std::unique_ptr<CodePage> page = [] {
        std::unique_ptr<CodePage> p(new CodePage(1252));
        for (int b = 0; b < 256; ++b)
            p->m_singles[std::size_t(b)] = cp1252ToUnicode(static_cast<unsigned char>(b));
        return p;
    }();
    return *page;
}

std::unique_ptr<CodePage> CodePage::build(int number, const char *systemName)
{
    const iconv_t cd = iconv_open("UTF-16LE", systemName);
    if (cd == iconv_t(-1))
        return nullptr;
    std::unique_ptr<CodePage> page(new CodePage(number));
    bool leads = false;
    for (int b = 0; b < 256; ++b) {
        const unsigned char byte = static_cast<unsigned char>(b);
        int ch = b;
        if (b >= 0x80) {
            ch = convert(cd, &byte, 1);
            leads = leads || ch < 0;
        }
        page->m_singles[std::size_t(b)] = ch < 0 ? 0 : ch == 0 ? 0xFFFD : char16_t(ch);
    }
    if (leads) {
        page->m_pairs = std::make_unique<char16_t[]>(128 * 256);
        for (int lead = 0x80; lead < 256; ++lead) {
            if (page->m_singles[std::size_t(lead)] != 0)
                continue;
            for (int trail = 0; trail < 256; ++trail) {
                const unsigned char bytes[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
                const int ch = convert(cd, bytes, 2);
                page->m_pairs[std::size_t(lead - 0x80) * 256 + std::size_t(trail)] = ch > 0 ? char16_t(ch) : 0;
            }
        }
    }
    iconv_close(cd);
    return page;
}

const CodePage *CodePage::find(int number)
{
    if (number == 1252)
        return &windows1252();
    static std::once_flag once[kKnownCount];
    static std::unique_ptr<CodePage> pages[kKnownCount];
    for (std::size_t i = 0; i < kKnownCount; ++i) {
        if (kKnown[i].number != number)
            continue;
        std::call_once(once[i], [i] { pages[i] = build(kKnown[i].number, kKnown[i].systemName); });
        return pages[i].get();
    }
    return nullptr;
}

int codePageOfCharset(int charset)
{
    switch (charset) {
    case 0: // Western
    case 2: // symbol fonts: the bytes are glyph numbers, which read best as Western
        return 1252;
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    default: return 0; // 1, the default character set, and any other
    }
}
