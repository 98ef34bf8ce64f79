#include "casename.h"

#include <cctype>

std::string caseTestName(std::string_view words)
{
    std::string name;
    bool gap = false;
    for (const char c : words) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            if (gap && !name.empty())
                name += '_';
            name += c;
            gap = false;
        } else {
            gap = true;
        }
    }
    return name.empty() ? std::string("unnamed") : name;
}
