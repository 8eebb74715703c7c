#pragma once

#include "base/DString.h"

#include <cstdint>
#include <utility>

/// One record of a table: a word, its occurrence count and its three scores.
/// Scores are -1 until the score engine sets them.
struct WordEntry {
    double score1 = -1.0;
    double score2 = -1.0;
    double score3 = -1.0;
    DString word;
    std::int64_t count = 0;

    /// The empty word with count 0.
    WordEntry()
        : word("")
    {
    }
    /// A counted word: count 1.
    explicit WordEntry(const DString& counted)
        : word(counted)
        , count(1)
    {
    }
    /// A loaded record: the scores are whole numbers as read from a table file.
    WordEntry(DString loaded, std::int64_t loadedCount, std::int64_t s1, std::int64_t s2, std::int64_t s3)
        : score1(static_cast<double>(s1))
        , score2(static_cast<double>(s2))
        , score3(static_cast<double>(s3))
        , word(std::move(loaded))
        , count(loadedCount)
    {
    }

    /// Ranks by score1 alone.
    bool operator<(const WordEntry& other) const { return score1 < other.score1; }
};
