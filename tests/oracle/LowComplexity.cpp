#include "oracle/LowComplexity.h"

#include <vector>

namespace {

/// The base's index among A, C, G, T in either case, or -1.
int baseIndex(char c)
{
    switch (c) {
    case 'A': case 'a': return 0;
    case 'C': case 'c': return 1;
    case 'G': case 'g': return 2;
    case 'T': case 't': return 3;
    default: return -1;
    }
}

/// Pairs of equal triplets among the triplets of letters [first, last], counted afresh.
long pairsOfEqualTriplets(const std::string& sequence, std::size_t first, std::size_t last)
{
    int counts[64] = {};
    long pairs = 0;
    for (std::size_t i = first; i + 2 <= last; ++i) {
        const int triplet = baseIndex(sequence[i]) * 16 + baseIndex(sequence[i + 1]) * 4 + baseIndex(sequence[i + 2]);
        pairs += counts[triplet];
        ++counts[triplet];
    }
    return pairs;
}

} // namespace

std::string dustMaskedByDefinition(const std::string& sequence, int window, double threshold,
    std::size_t& masked)
{
    const std::size_t n = sequence.size();
    const std::size_t longest = window < 0 ? 0 : static_cast<std::size_t>(window);
    // pairs[s][l]: the stretch of l letters from s, when all of them are bases.
    std::vector<std::vector<long>> pairs(n, std::vector<long>(longest + 1, -1));
    for (std::size_t s = 0; s < n; ++s)
        for (std::size_t l = 4; l <= longest && s + l <= n; ++l) {
            bool bases = true;
            for (std::size_t i = s; i < s + l; ++i)
                bases = bases && baseIndex(sequence[i]) >= 0;
            if (bases)
                pairs[s][l] = pairsOfEqualTriplets(sequence, s, s + l - 1);
        }
    std::vector<bool> mask(n, false);
    for (std::size_t s = 0; s < n; ++s)
        for (std::size_t l = 4; l <= longest && s + l <= n; ++l) {
            const long r = pairs[s][l];
            if (r < 0 || !(10.0 * static_cast<double>(r) > threshold * static_cast<double>(l - 3)))
                continue;
            bool perfect = true;
            for (std::size_t subStart = s; subStart < s + l && perfect; ++subStart)
                for (std::size_t subLength = 4; subStart + subLength <= s + l && perfect; ++subLength) {
                    if (subLength == l)
                        continue;
                    // r' / (l' - 3) > r / (l - 3), in integers.
                    const long subPairs = pairs[subStart][subLength];
                    if (subPairs * static_cast<long>(l - 3) > r * static_cast<long>(subLength - 3))
                        perfect = false;
                }
            if (perfect)
                for (std::size_t i = s; i < s + l; ++i)
                    mask[i] = true;
        }
    std::string result = sequence;
    masked = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (mask[i] && result[i] != 'N') {
            result[i] = 'N';
            ++masked;
        }
    return result;
}
