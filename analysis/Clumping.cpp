#include "analysis/Clumping.h"

#include "base/Dna.h"

#include <algorithm>

namespace {

constexpr int longestCounted = 8;
constexpr int shortestCounted = 6;

std::vector<double> classCountsOf(const std::vector<std::int64_t>& byCode, int length, bool bothStrands)
{
    std::vector<double> counts(byCode.size(), 0.0);
    for (std::size_t code = 0; code < byCode.size(); ++code) {
        const std::size_t reverse = bothStrands ? static_cast<std::size_t>(reverseComplementCode(code, length)) : code;
        counts[code] = static_cast<double>(std::max(byCode[code], reverse < byCode.size() ? byCode[reverse] : 0));
    }
    return counts;
}

} // namespace

ClassCounts::ClassCounts(const std::vector<std::int64_t>& bySix, const std::vector<std::int64_t>& bySeven,
    const std::vector<std::int64_t>& byEight, bool bothStrands)
    : counts_(longestCounted)
{
    counts_[5] = classCountsOf(bySix, 6, bothStrands);
    counts_[6] = classCountsOf(bySeven, 7, bothStrands);
    counts_[7] = classCountsOf(byEight, 8, bothStrands);
    // A shorter word's count is that of the six-letter words it begins: both words of a class
    // are counted alike there, so the sums are class counts too (up to the windows at the
    // records' ends).
    for (int length = shortestCounted - 1; length >= 1; --length) {
        std::vector<double>& shorter = counts_[static_cast<std::size_t>(length - 1)];
        const std::vector<double>& longer = counts_[static_cast<std::size_t>(length)];
        shorter.assign(std::size_t(1) << (2 * length), 0.0);
        for (std::size_t code = 0; code < longer.size() && code / 4 < shorter.size(); ++code)
            shorter[code / 4] += longer[code];
    }
}

double ClassCounts::count(std::uint64_t code, int length) const
{
    if (length < 1 || length > longestCounted)
        return 0.0;
    const std::vector<double>& counts = counts_[static_cast<std::size_t>(length - 1)];
    return code < counts.size() ? counts[static_cast<std::size_t>(code)] : 0.0;
}

namespace {

/// The chance that an occurrence of the word `word` (a code of `length` letters) has an
/// occurrence of `word` or `other` (its reverse complement) some shift before it: at the
/// smallest shift d where one fits, the count of that word's first d letters followed by the
/// first m = min(length, 8 - d) letters of `word`, over the count of those m letters; summed
/// over the two words when both fit there with different first letters.
double precededChance(std::uint64_t word, std::uint64_t other, int length, const ClassCounts& counts)
{
    for (int shift = 1; shift < length; ++shift) {
        const int kept = length - shift;
        const std::uint64_t keptMask = (std::uint64_t(1) << (2 * kept)) - 1;
        const std::uint64_t prefix = word >> (2 * shift); // the first `kept` letters
        const bool selfFits = (word & keptMask) == prefix;
        const bool otherFits = (other & keptMask) == prefix;
        if (!selfFits && !otherFits)
            continue;
        const int given = std::min(length, longestCounted - shift);
        const std::uint64_t head = word >> (2 * (length - given));
        const double before = counts.count(head, given);
        if (before <= 0.0)
            return 0.0;
        const std::uint64_t selfLead = word >> (2 * kept), otherLead = other >> (2 * kept);
        double repeated = 0.0;
        if (selfFits)
            repeated += counts.count((selfLead << (2 * given)) | head, shift + given);
        if (otherFits && !(selfFits && otherLead == selfLead))
            repeated += counts.count((otherLead << (2 * given)) | head, shift + given);
        return repeated / before;
    }
    return 0.0;
}

} // namespace

double overlapChance(std::uint64_t code, int length, const ClassCounts& counts, bool oneStrand)
{
    if (length < 2 || length > longestCounted)
        return 0.0;
    if (oneStrand)
        return std::clamp(precededChance(code, code, length, counts), 0.0, mostOverlapChance);
    const std::uint64_t reverse = reverseComplementCode(code, length);
    // Both words of a class occur alike in a genome counted on both strands, so the class's
    // share is the mean of its words' (a palindrome's words are one).
    const double chance
        = (precededChance(code, reverse, length, counts) + precededChance(reverse, code, length, counts)) / 2.0;
    return std::clamp(chance, 0.0, mostOverlapChance);
}
