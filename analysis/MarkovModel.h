#pragma once

#include "tables/DTable.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/// A Markov model of DNA on both strands: the chance of each letter given the `order`
/// letters before it, from the counts of the windows of order + 1 letters of A, C, G and T
/// seen on both strands. A context seen rarely leans on the model one order lower: the
/// chance of x after the context c is (N(cx) + P'(x | c')) / (N(c) + 1), where N(c) is the
/// sum of N(cy) over the four letters y, c' is c without its first letter, P' the same rule
/// one order lower, and below order 0 every letter has the chance 1/4. The first letters of
/// a word take the orders their place allows (0 for the first, 1 for the second, ...).
class MarkovModel {
public:
    static constexpr int maximumOrder = 5;

    /// A model of `order` (0 to maximumOrder) that has counted nothing yet.
    explicit MarkovModel(int order);
    int order() const { return order_; }

    /// Counts every window of order + 1 letters of A, C, G and T (upper case) of `sequence`,
    /// and its reverse complement.
    void addSequence(std::string_view sequence);
    /// Counts, for each 6-letter word of A, C, G and T of `table` (whose counts hold both
    /// strands already), its first order + 1 letters as often as the word is counted.
    void addSixLetterWords(const DTable& table);

    /// The windows counted, of both strands.
    double windows() const;
    /// The chance that a window of `length` letters is the word of 2-bit code `code`. The
    /// first call after counting makes the model's tables, so that many threads may ask at
    /// once only after one has asked alone.
    double probability(std::uint64_t code, int length) const;

private:
    /// Level j holds, for every word of j + 1 letters (by code), the chance of its last
    /// letter after the others.
    void makeLevels() const;

    int order_;
    std::vector<double> counts; ///< N of each window of order + 1 letters, by code
    mutable std::vector<std::vector<double>> levels;
    mutable bool current = false;
};

/// A table as an export of a genome of `bases` letters would count it if the genome were
/// drawn from `model`: each word of 6 to 8 letters of A, C, G and T counted as often as
/// expected in bases - k + 1 windows on both strands (its own and its reverse complement's
/// chance, a palindrome's once), rounded to a whole number. The header holds `bases`, the
/// sum of the counts and the words counted.
DTable expectedTable(const MarkovModel& model, std::int64_t bases);

/// The bases of the genome an expected table stands for: large enough that rounding the
/// counts changes no chance by more than about a millionth.
inline constexpr std::int64_t expectedTableBases = 1'000'000'000'000;
