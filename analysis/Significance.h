#pragma once

#include "tables/WordEntry.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

/// The statistic that ranks the word classes; the values are those of the desktop's setting.
enum class Statistic { Binomial = 0, Poisson = 1, Ratio = 2 };

/// The word lengths a table counts, and so the lengths the significance table may cover.
inline constexpr int shortestWordLength = 6;
inline constexpr int longestWordLength = 8;

/// What the program says of a statistic, in each place it says it.
struct StatisticDescription {
    Statistic statistic;
    const char* name;        ///< as the command line takes it and the reports write it
    const char* tableNote;   ///< the words table's note on its "# statistic:" line, in brackets there
    const char* summaryText; ///< the summary page's sentence beside the name
};

/// One description per statistic, in the enum's order.
std::span<const StatisticDescription> statisticDescriptions();

/// The description of `statistic`; that of Binomial for a value outside the enum.
const StatisticDescription& describeStatistic(Statistic statistic);


/// The numbers of one word length: the classes it has, and the windows of A, C, G and T
/// the two tables counted.
struct LengthSummary {
    int length = 0;
    std::int64_t classes = 0;  ///< words together with their reverse complements: NPO
    double bigWindows = 0.0;   ///< T of the genome's table
    double smallWindows = 0.0; ///< T of the family's table
    std::size_t observed = 0;  ///< classes seen at least once in the family's table
};

/// A word together with its reverse complement, seen at least once in the family's table.
struct WordClass {
    std::string word;    ///< the one of the two that sorts first
    std::string reverse; ///< its reverse complement (the same word for a palindrome)
    int length = 0;
    std::int64_t observed = 0;
    double expected = 0.0;
    double ratio = 0.0;  ///< observed / expected
    double log10P = 0.0; ///< of seeing the observed count or more
    double log10E = 0.0; ///< of the E-value: the number of classes times P
    double log10Q = 0.0; ///< of the Benjamini-Hochberg q-value among the classes of its length
    double sig() const { return -log10E; }
};

/// Every observed word class of the chosen lengths, most significant first.
struct SignificanceTable {
    Statistic statistic = Statistic::Binomial;
    std::vector<LengthSummary> lengths;
    std::vector<WordClass> classes;
};

/// Scores every class of A/C/G/T words of `shortest` to `longest` letters of the family's
/// records `small` against the genome's records `big`.
///
/// For a length k and a table t, c_t is the count of a class (of its word or its reverse
/// complement, whichever the table holds more of: an exported table holds both alike) and
/// T_t the number of k-letter windows of A, C, G and T, which the table gives as half the
/// sum of its A/C/G/T words' counts with the palindromes' counts added twice. With NPO
/// classes, the genome gives the class the probability p = (c_big + 1) / (T_big + NPO) (a
/// pseudo-count of one per class), the expected count is E = p * T_small, and P is the chance
/// of the observed count or more: binomial over round(T_small) windows, or Poisson of mean E.
/// The Ratio statistic ranks by observed / expected and takes P from the binomial; the others
/// rank by the E-value, NPO * P. Ties go by word.
SignificanceTable significanceOf(const std::vector<WordEntry>& big, const std::vector<WordEntry>& small,
    Statistic statistic, int shortest, int longest);
