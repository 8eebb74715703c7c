#pragma once

#include "base/DString.h"
#include "base/Diagnostics.h"
#include "tables/WordEntry.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

/// What became of a DTable::load.
enum class LoadStatus {
    Loaded,
    CannotOpen,      ///< missing, unreadable or not a regular file; the table is unchanged
    NotATable,       ///< empty, or the four header numbers cannot be read; unchanged
    BadBucketCount,  ///< first header number below 1 or above maximumBucketCount; unchanged
};

/// A table of words and their counts: a hash table of `bucketCount` buckets, each keeping its
/// records in arrival order, plus four header numbers. Records are listed and written in bucket
/// order, then arrival order, and that order is part of the file format.
class DTable {
public:
    static constexpr std::int32_t defaultBucketCount = 10000;
    /// Largest bucket count a table file may ask for.
    static constexpr std::int64_t maximumBucketCount = 16777216;

    /// What construction writes to the diagnostics.
    static constexpr const char* createdText = "created";

    /// An empty table of 10000 buckets that reports nothing.
    DTable();
    /// An empty table of 10000 buckets that writes its diagnostic lines to `diagnostics`,
    /// starting with "created".
    explicit DTable(Diagnostics diagnostics);
    /// A deep copy, reporting where `other` does; writes "created" like construction.
    DTable(const DTable& other);
    DTable(DTable&& other) noexcept = default;
    DTable& operator=(const DTable& other) = default;
    DTable& operator=(DTable&& other) noexcept = default;
    ~DTable() = default;

    /// Bucket of `word`: the sum of (position + 1) * signed byte, modulo bucketCount,
    /// brought into range when negative.
    std::int32_t bucketOf(const DString& word) const;
    /// Counts one occurrence of `word`.
    void addWord(const DString& word);
    /// Appends a whole record to its bucket without touching the counters; empty words are dropped.
    void insertEntry(const WordEntry& entry);
    /// Count of the first record holding `word`, 0 when absent.
    std::int64_t countOf(const DString& word) const;
    /// A copy of every record, bucket by bucket.
    std::vector<WordEntry> entries() const;
    /// Adds the table `other`, of the same bucket count, as if its words had been counted
    /// after this table's: its counts go to the words already here, its other words follow in
    /// its own order, and its bases and occurrences are added to this table's. For tables
    /// exported from parts of one FASTA text this gives the table of the whole text.
    /// False, with nothing changed, when the bucket counts differ.
    bool addTable(const DTable& other);
    /// Drops every record whose word length is not among `lengths`; the header numbers stay.
    void keepLengths(const std::vector<std::size_t>& lengths);
    /// Moves every record out, in the order entries() lists them; the header numbers stay.
    std::vector<WordEntry> takeEntries();

    /// Number of records held (which a loaded table's header need not agree with).
    std::size_t recordCount() const;
    /// Number of records whose count is below 0, which no counting gives.
    std::size_t negativeCountRecords() const;
    std::int64_t distinctCount() const { return distinctCount_; }
    std::int64_t totalCount() const { return totalCount_; }
    std::int64_t sequenceLength() const { return sequenceLength_; }
    void setSequenceLength(std::int64_t value) { sequenceLength_ = value; }
    std::int32_t bucketCount() const { return bucketCount_; }

    /// Replaces the table with the contents of a table file. On any failure a diagnostic
    /// line is written and the table stays as it was.
    LoadStatus load(const char* path);
    /// As load(path), keeping only the records whose word is one of `keptLengths` bytes long;
    /// the header numbers are still the file's.
    LoadStatus load(const char* path, const std::vector<std::size_t>& keptLengths);
    /// Writes the table file in full under a temporary name and renames it into place;
    /// false (with a diagnostic line) when the file could not be written.
    bool write(const char* path, std::string* error = nullptr) const;
    /// The bytes write() puts in a file.
    std::string serialize() const;

protected:
    /// Adds `count` occurrences of `word` that may already be among the records in
    /// buckets[b][0, knownSize); otherwise appends it. Used when merging batched counts.
    void addCounted(std::int32_t b, std::size_t knownSize, DString&& word, std::int64_t count);
    std::vector<std::size_t> bucketSizes() const;
    /// Makes room for `extra` more records in bucket `b`.
    void reserveRecords(std::int32_t b, std::size_t extra)
    {
        auto& bucket = buckets[static_cast<std::size_t>(b)];
        bucket.reserve(bucket.size() + extra);
    }

    const Diagnostics& diagnostics() const { return diagnostics_; }

private:
    /// load() keeping every record, or with `keptLengths` only those of these word lengths.
    LoadStatus read(const char* path, const std::vector<std::size_t>* keptLengths);

    Diagnostics diagnostics_;
    std::int32_t bucketCount_ = defaultBucketCount;
    std::int64_t sequenceLength_ = 0;
    std::int64_t totalCount_ = 0;
    std::int64_t distinctCount_ = 0;
    std::vector<std::vector<WordEntry>> buckets;
};

/// Reads only the four header numbers of the table file at `path`: whether load() would
/// take it. Writes nothing to the diagnostic stream; `cause` says why not.
LoadStatus probeTableFile(const char* path, std::string& cause);

/// The four header numbers of a table file: bucket count, bases, words counted, distinct words.
using TableHeader = std::array<std::int64_t, 4>;
/// As probeTableFile, also giving the header numbers when they can be read.
LoadStatus probeTableFile(const char* path, std::string& cause, TableHeader& header);
