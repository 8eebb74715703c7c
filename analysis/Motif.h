#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

/// Weights of A, C, G and T, in that order, at one position of a motif: counts of sites, or
/// probabilities.
using BaseWeights = std::array<double, 4>;

/// The letters of BaseWeights, in their order.
inline constexpr std::array<char, 4> motifLetters = {'A', 'C', 'G', 'T'};

/// A position weight matrix with its names, as motif files hold one.
struct Motif {
    std::string id;                   ///< unique within its set, without spaces
    std::string name;                 ///< an alternative name, may be empty
    std::vector<BaseWeights> counts;  ///< one row per position; rows may sum differently
    double sites = 0.0;               ///< the number of sites behind the counts
    double log10E = 0.0;              ///< log10 of the motif's E-value (0: an E-value of 1; -inf: 0)

    std::size_t width() const { return counts.size(); }
};

/// The row `counts` as probabilities: each weight over the row's sum, 0.25 each for a row
/// summing to 0 (a position no site covers).
BaseWeights frequenciesOf(const BaseWeights& counts);
/// The rows of `motif` as probabilities.
std::vector<BaseWeights> frequenciesOf(const Motif& motif);
/// The motif of the other strand: rows in reverse order, A with T and C with G swapped.
Motif reverseComplementOf(const Motif& motif);
/// The letter of the largest weight of each row (the first of equals); N for a row summing to 0.
std::string consensusOf(const std::vector<BaseWeights>& rows);

/// How one motif lies against another, the closest of a set.
struct MotifMatch {
    bool found = false;
    std::size_t index = 0;    ///< of the closest motif in the set
    double correlation = 0.0; ///< mean Pearson correlation of the overlapping columns
    int overlap = 0;          ///< columns overlapping
    int offset = 0;           ///< position in the set's motif of the first column of ours
    bool reverse = false;     ///< the set's motif matched on the other strand
    double log10E = 0.0;      ///< of the match's E-value, when one was measured (KnownMatch.h)
};

/// Columns two motifs must share for an alignment to count: all of the shorter one up to
/// this many.
inline constexpr int minimumMotifOverlap = 6;

/// The motif of `known` closest to `motif`: over every offset at which they share at least
/// min(minimumMotifOverlap, shorter width) columns, and both orientations of the known one,
/// the highest mean Pearson correlation of the shared columns' probabilities (two flat
/// columns correlate 1, a flat column with another 0). Ties go to the longer overlap, then
/// the earlier motif, then the forward strand and the smaller offset.
MotifMatch closestMotif(const Motif& motif, const std::vector<Motif>& known);

/// A set of motifs made ready to match many motifs against: each one's columns as centred
/// probabilities, on both strands.
class MotifSet {
public:
    explicit MotifSet(const std::vector<Motif>& motifs);
    std::size_t size() const { return forward_.size(); }

    /// As closestMotif against the set's motifs.
    MotifMatch closest(const Motif& motif) const;
    /// For each of the set's motifs, the highest mean correlation with `motif` by
    /// closestMotif's rules (-infinity for a motif of no column).
    std::vector<double> bestCorrelations(const Motif& motif) const;

    /// A column of probabilities centred on its mean and scaled to length 1, so that the
    /// Pearson correlation of two columns is their dot product; a flat column stays all 0.
    struct Column {
        std::array<double, 4> value {};
        bool flat = true;
    };

private:
    /// Calls visit(correlation, overlap, offset, reverse) for every alignment of `ours`
    /// against motif k of the set.
    template <class Visit>
    void align(const std::vector<Column>& ours, std::size_t k, Visit&& visit) const;

    std::vector<std::vector<Column>> forward_;
    std::vector<std::vector<Column>> reverse_;
};
