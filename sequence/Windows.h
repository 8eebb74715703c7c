#pragma once

#include "base/Dna.h"

#include <cstdint>
#include <string_view>

/// Calls visit(end, k, forward, reverse) for every window of `shortest` to `longest` (at most
/// 16) letters of `sequence` that holds A, C, G and T alone (upper case): `end` is the index
/// after its last letter, `forward` its 2-bit code (A=0, C=1, G=2, T=3, the first letter
/// highest) and `reverse` that of its reverse complement. Windows come in the order of their
/// last letters, the shorter first.
template <int shortest, int longest, class Visit>
void forEachWindow(std::string_view sequence, Visit&& visit)
{
    static_assert(shortest >= 1 && shortest <= longest && longest <= 16);
    constexpr std::uint32_t longestMask = longest == 16 ? ~std::uint32_t(0) : (std::uint32_t(1) << (2 * longest)) - 1;
    std::uint32_t forward = 0, reverse = 0;
    int run = 0;
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        const std::uint8_t code = baseCodes[static_cast<unsigned char>(sequence[i])];
        if (code == otherBase) {
            run = 0;
            continue;
        }
        forward = ((forward << 2) | code) & longestMask;
        reverse = (reverse >> 2) | (static_cast<std::uint32_t>(3 - code) << (2 * (longest - 1)));
        if (run < longest)
            ++run;
        for (int k = shortest; k <= run; ++k)
            visit(i + 1, k, forward & ((std::uint32_t(1) << (2 * k)) - 1), reverse >> (2 * (longest - k)));
    }
}
