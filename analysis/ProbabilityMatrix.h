#pragma once

#include "base/DString.h"

#include <vector>

/// Probabilities of the four bases at one position of a word.
struct MatrixRow {
    double A = 0.0;
    double T = 0.0;
    double G = 0.0;
    double C = 0.0;
};

/// Per-position base probabilities of a word, position 0 first. Only the upper-case letters
/// A, T, G and C have a value.
class ProbabilityMatrix {
public:
    /// One row per letter of `word`: 0.7 for the word's own base, 0.1 for the others
    /// (0.1 throughout for a letter other than A, T, G, C).
    explicit ProbabilityMatrix(const DString& word);
    /// `rows` rows of 0.0.
    explicit ProbabilityMatrix(int rows);

    int rowCount() const { return static_cast<int>(rows.size()); }
    /// The value for `base` at `position`; -1.0 for a letter other than A, T, G, C.
    double probability(int position, char base) const;
    /// Stores the value for `base` at `position`; other letters change nothing.
    void setProbability(int position, char base, double value);
    /// Rebuilds every row as the share of `words` holding each base there; empty words
    /// count among the words but add no base.
    void rebuild(const std::vector<DString>& words);

private:
    std::vector<MatrixRow> rows;
};
