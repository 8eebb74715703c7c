#include "base/Numbers.h"

#include <limits>

ParsedInteger parseInteger(std::string_view text)
{
    ParsedInteger parsed;
    std::size_t i = 0;
    while (i < text.size() && isBlank(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // The magnitude is gathered unsigned, so that the most negative value fits too.
    const std::uint64_t limit = std::uint64_t(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
    std::uint64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        parsed.digits = true;
        const unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (parsed.overflow || magnitude > (limit - digit) / 10) {
            parsed.overflow = true;
            magnitude = limit;
        } else {
            magnitude = magnitude * 10 + digit;
        }
    }
    parsed.end = parsed.digits ? i : 0;
    parsed.value = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
    return parsed;
}
