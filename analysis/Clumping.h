#pragma once

#include <cstdint>
#include <vector>

// Occurrences of a word that overlaps itself at a shift (AGAGAG at 2, AAAAAA at 1) come in
// clumps: where one lies, another often lies that shift before it. A sequence holds the word
// when it holds a clump, so the chance that a sequence of n windows holds it is about
// 1 - (1 - p (1 - a))^n, p being the window probability and a the chance that an occurrence
// has another one a shift before it: the expected number of clumps per window is p (1 - a).
// Taken as 1 - (1 - p)^n instead, the expected number of sequences holding a tandem repeat is
// as much as twice too high (AAAAAA in the upstream regions of a fly genome).

/// A genome's counts of the word classes of one to eight letters, by the 2-bit code of
/// either word of a class: those of six to eight letters as its table gives them, the
/// shorter ones summed over the six-letter words they begin.
class ClassCounts {
public:
    /// `bySix` to `byEight`: the counts by code of the words of 6, 7 and 8 letters (4^k
    /// values each). A class's count is the larger of its two words' counts, as a table may
    /// hold either word or both.
    /// With `bothStrands` false, the counts are of words on their own strand: a word's count
    /// is its own.
    ClassCounts(const std::vector<std::int64_t>& bySix, const std::vector<std::int64_t>& bySeven,
        const std::vector<std::int64_t>& byEight, bool bothStrands = true);

    /// The count of the class of `code`, a word of `length` letters (1 to 8).
    double count(std::uint64_t code, int length) const;

private:
    std::vector<std::vector<double>> counts_; // by length - 1, by code
};

/// The chance a, from `counts`, that an occurrence of the class of the word of `code` and
/// `length` letters has another occurrence of the class (of either word) some shift before
/// it, at most mostOverlapChance; 0 for a class whose words cannot overlap. For each word, at
/// the smallest shift d at which a word of the class fits before it, that is the count of the
/// fitting word's first d letters followed by the word's first m = min(length, 8 - d) letters
/// over the count of those m letters: the chance that the d letters before an occurrence
/// complete the other, given the m letters that follow them. The class's chance is the mean
/// of its two words'. TATCGA, which does not repeat itself, overlaps its reverse complement
/// TCGATA in TATCGATA.
/// With `oneStrand`, the class is the word alone: only the word itself can lie before it.
double overlapChance(std::uint64_t code, int length, const ClassCounts& counts, bool oneStrand = false);

/// At most this share of a word's occurrences is taken to follow an overlapping one, so that
/// the expected number of clumps stays above nothing on a table made by hand.
constexpr double mostOverlapChance = 0.95;
