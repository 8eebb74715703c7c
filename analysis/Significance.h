#pragma once

#include "sequence/Dyads.h"
#include "sequence/FamilyProfile.h"
#include "sequence/StrandCounts.h"
#include "tables/WordEntry.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

/// The statistic that ranks the word classes; the first three values are those of the
/// desktop's setting. Sequences counts the family's sequences holding a class, not its
/// occurrences, and needs the family's sequences.
enum class Statistic { Binomial = 0, Poisson = 1, Ratio = 2, Sequences = 3 };

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
/// The statistic whose name is `name`; false when none is.
bool statisticNamed(std::string_view name, Statistic& statistic);


/// The numbers of one word length, or of the spaced pairs of one spacing: the classes it has,
/// and the windows of A, C, G and T (the places pairs occur) the two tables counted.
struct LengthSummary {
    int length = 0; ///< letters, a pair's spacer included
    std::int64_t classes = 0;  ///< words together with their reverse complements: NPO
    double bigWindows = 0.0;   ///< T of the genome's table
    double smallWindows = 0.0; ///< T of the family's table
    std::size_t observed = 0;  ///< classes seen at least once in the family's table
    int spacing = -1;          ///< of spaced pairs; -1 for words
};

/// A word together with its reverse complement, seen at least once in the family's table; or
/// a spaced pair together with its reverse complement, seen in the family's sequences.
struct WordClass {
    std::string word;    ///< the one of the two that sorts first; a pair's spacer as n: TGTnnnnnnACA
    std::string reverse; ///< its reverse complement (the same word for a palindrome)
    int length = 0;      ///< letters, a pair's spacer included
    int spacing = -1;    ///< a pair's spacer; -1 for a word
    std::int64_t observed = 0;
    double expected = 0.0;
    double ratio = 0.0;  ///< observed / expected
    double log10P = 0.0; ///< of seeing the observed count or more
    double log10E = 0.0; ///< of the E-value: the number of classes tested times P
    double log10Q = 0.0; ///< of the Benjamini-Hochberg q-value among all classes tested
    /// With the family's sequences: how many of them hold the class, and how many would by
    /// the genome's window probability; -1 and 0 without.
    std::int64_t sequences = -1;
    double expectedSequences = 0.0;
    bool lowComplexity = false; ///< a tandem repeat of period 1 to 3, or of two letters alone
    double sig() const { return -log10E; }
    bool dyad() const { return spacing >= 0; }
};

/// Every observed word class of the chosen lengths, most significant first.
struct SignificanceTable {
    Statistic statistic = Statistic::Binomial;
    std::vector<LengthSummary> lengths;
    /// The spacings of the spaced pairs scored, if any: a pair of no spacer is a 6-letter word,
    /// so that spacing is left out when the 6-letter words are scored.
    std::vector<LengthSummary> spacings;
    std::vector<WordClass> classes;
    /// Classes of every length and spacing covered, observed or not: the number of tests.
    std::int64_t classesTested = 0;
    /// The family's distinct sequences; -1 when the family came as a table alone.
    std::int64_t familySize = -1;
    /// Given: each class is one word on its sequence's own strand (its `reverse` the word
    /// itself), and a length of k letters has 4^k classes.
    Strand strand = Strand::Both;
};

/// The spaced pairs a significance table scores beside the words: the genome's forward counts
/// and the family's profile, of the same spacings and strand.
struct DyadInput {
    const DyadCounts* big = nullptr;
    const DyadProfile* family = nullptr;
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
/// rank by the E-value, P times the number of classes tested over all lengths covered. The
/// q-values rank every class tested together. Ties go by word.
///
/// With the family's sequences (`family`), every class also gets S, the number of distinct
/// sequences holding it, and their expected number, the sum over the sequences of
/// q_i = 1 - (1 - p (1 - a))^(n_i) for a sequence of n_i windows, a being the genome's chance
/// that an occurrence follows an overlapping one (Clumping.h; 0 for a word that does not
/// repeat itself); the Sequences statistic takes P as the chance of S or more from the
/// Poisson-binomial of the q_i. Without `family`, Sequences falls back to Binomial.
///
/// With `bigForward` and `smallForward`, the words of both on their own strand, each class is
/// one word, counted there alone, and has 4^k classes beside it; `big` and `small` are then
/// not read, and `family`, if any, must count words on their own strand too.
///
/// With `dyads` (and `family`), the spaced pairs of each spacing are scored as a length of
/// words is, their counts the genome's and the family's records', their windows the places
/// both halves are whole; a pair has no clumps (a = 0), which errs on the safe side.
SignificanceTable significanceOf(const std::vector<WordEntry>& big, const std::vector<WordEntry>& small,
    Statistic statistic, int shortest, int longest, const FamilyProfile* family = nullptr,
    const StrandCounts* bigForward = nullptr, const StrandCounts* smallForward = nullptr, DyadInput dyads = {});

/// Whether `word` is of low complexity: a tandem repeat of period 1 to 3, or of two letters.
bool isLowComplexity(std::string_view word);
