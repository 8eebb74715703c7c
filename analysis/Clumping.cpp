#include "analysis/Clumping.h"

#include "base/Dna.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace {

constexpr int longestCounted = 8;
constexpr int shortestCounted = 6;

std::vector<double> classCountsOf(const std::vector<std::int64_t>& byCode, int length)
{
    std::vector<double> counts(byCode.size(), 0.0);
    for (std::size_t code = 0; code < byCode.size(); ++code) {
        const std::size_t reverse = static_cast<std::size_t>(reverseComplementCode(code, length));
        counts[code] = static_cast<double>(std::max(byCode[code], reverse < byCode.size() ? byCode[reverse] : 0));
    }
    return counts;
}

std::uint64_t codeOf(std::string_view word)
{
    std::uint64_t code = 0;
    for (char c : word)
        code = (code << 2) | baseCodes[static_cast<unsigned char>(c)];
    return code;
}

} // namespace

ClassCounts::ClassCounts(const std::vector<std::int64_t>& bySix, const std::vector<std::int64_t>& bySeven,
    const std::vector<std::int64_t>& byEight)
    : counts_(longestCounted)
{
    counts_[5] = classCountsOf(bySix, 6);
    counts_[6] = classCountsOf(bySeven, 7);
    counts_[7] = classCountsOf(byEight, 8);
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

/// The chance that an occurrence of `word` has an occurrence of a word of `words` (the class)
/// some shift before it: at the smallest shift d where one fits, the count of that word's
/// first d letters followed by the first m = min(length, 8 - d) of `word`, over the count of
/// those m letters; summed over the words that fit there with different first letters.
double precededChance(const std::string& word, const std::vector<std::string>& words, const ClassCounts& counts)
{
    const std::size_t length = word.size();
    for (std::size_t shift = 1; shift < length; ++shift) {
        const std::size_t given = std::min(length, static_cast<std::size_t>(longestCounted) - shift);
        const std::string_view head = std::string_view(word).substr(0, given);
        std::vector<std::string_view> leads;
        for (const std::string& other : words) {
            const std::string_view lead = std::string_view(other).substr(0, shift);
            if (std::string_view(other).substr(shift) == std::string_view(word).substr(0, length - shift)
                && std::find(leads.begin(), leads.end(), lead) == leads.end())
                leads.push_back(lead);
        }
        if (leads.empty())
            continue;
        const double before = counts.count(codeOf(head), static_cast<int>(given));
        if (before <= 0.0)
            return 0.0;
        double repeated = 0.0;
        for (std::string_view lead : leads)
            repeated += counts.count((codeOf(lead) << (2 * given)) | codeOf(head), static_cast<int>(shift + given));
        return repeated / before;
    }
    return 0.0;
}

} // namespace

double overlapChance(std::uint64_t code, int length, const ClassCounts& counts)
{
    if (length < 2 || length > longestCounted)
        return 0.0;
    std::string word(static_cast<std::size_t>(length), 'A');
    for (int i = length - 1; i >= 0; --i, code >>= 2)
        word[static_cast<std::size_t>(i)] = "ACGT"[code & 3];
    const std::string reverse = reverseComplement(word);
    const std::vector<std::string> words = {word, reverse};
    // Both words of a class occur alike in a genome counted on both strands, so the class's
    // share is the mean of its words' (a palindrome's words are one).
    const double chance = (precededChance(word, words, counts) + precededChance(reverse, words, counts)) / 2.0;
    return std::clamp(chance, 0.0, mostOverlapChance);
}
