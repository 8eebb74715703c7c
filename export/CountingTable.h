#pragma once

#include "base/DString.h"
#include "sequence/WordCounter.h"
#include "tables/DTable.h"

#include <string>

/// What became of CountingTable::writeCounts.
enum class CountsWrite {
    Written,
    Unwritable, ///< the file could not be created or written
    TooLarge,   ///< the file's bytes would not fit in the memory available; nothing written
};

/// The table an export counts into: a DTable that counts the words of lengths 6 to 8 of
/// sequences on both strands. Every window adds its word, then the word's reverse
/// complement unless the two are equal.
class CountingTable : public DTable {
public:
    static constexpr int minimumWordLength = WordCounter::minimumLength;
    static constexpr int maximumWordLength = WordCounter::maximumLength;

    using DTable::DTable;

    /// Moves what `counter` holds into the buckets, new words in first-seen order after the
    /// records already there, and empties it.
    void takeCounts(WordCounter& counter);
    /// Writes to `path` the table file that takeCounts(counter) and write(path) would give
    /// this table, which must hold no record yet, without making its records: beside the
    /// file's bytes, memory holds 28 bytes a word while they are put in order. Empties the
    /// counter. When the bytes would not fit in the memory the system has available, nothing
    /// is written (TooLarge); a failed write leaves the file as it was and writes the table's
    /// diagnostic line (Unwritable). The message says why.
    Outcome<CountsWrite> writeCounts(WordCounter& counter, const char* path);
};
