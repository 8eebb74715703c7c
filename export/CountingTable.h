#pragma once

#include "base/DString.h"
#include "sequence/WordCounter.h"
#include "tables/DTable.h"

/// The table an export counts into: a DTable that counts the words of lengths 6 to 8 of
/// sequences on both strands. Every window adds its word, then the word's reverse
/// complement unless the two are equal.
class Permutation : public DTable {
public:
    static constexpr int minimumWordLength = WordCounter::minimumLength;
    static constexpr int maximumWordLength = WordCounter::maximumLength;

    using DTable::DTable;

    /// Counts every word of `sequence`.
    void countWords(const DString& sequence);
    /// `word` reversed with A and T, C and G exchanged; other bytes are their own complement.
    static DString reverseComplement(const DString& word);
    /// Moves what `counter` holds into the buckets, new words in first-seen order after the
    /// records already there, and empties it.
    void takeCounts(WordCounter& counter);
};

/// What the table is: a counting table.
using CountingTable = Permutation;
