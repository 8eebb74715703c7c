#include "report/ReportNames.h"

#include <cstdint>

namespace {

constexpr std::size_t longestStem = 200;
constexpr char hexDigits[] = "0123456789ABCDEF";

bool keptAsIs(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

} // namespace

std::string pageFileName(std::string_view word)
{
    std::string stem;
    for (unsigned char c : word) {
        if (keptAsIs(c)) {
            stem += static_cast<char>(c);
        } else {
            stem += '_';
            stem += hexDigits[c >> 4];
            stem += hexDigits[c & 15];
        }
    }
    if (stem.size() > longestStem) {
        std::uint64_t hash = 14695981039346656037ull;
        for (unsigned char c : word)
            hash = (hash ^ c) * 1099511628211ull;
        stem.resize(longestStem - 17);
        stem += '_';
        for (int shift = 60; shift >= 0; shift -= 4)
            stem += hexDigits[(hash >> shift) & 15];
    }
    return stem + ".html";
}

std::string escapeHtml(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}
