#pragma once

#include "base/DString.h"
#include "base/AtomicFile.h"
#include "base/Diagnostics.h"
#include "base/Outcome.h"
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

/// What became of DTable::addTable.
enum class AddStatus {
    Added,
    OtherBucketCount, ///< the two tables have different bucket counts
    CountOverflow,    ///< a word's count would leave the 64-bit range
    HeaderOverflow,   ///< bases, words counted or distinct words would leave the 64-bit range
};

/// What became of DTable::addTable; when nothing was added, the message names what stood in
/// the way, e.g. "the count of ACGTAC would pass 9223372036854775807".
using AddOutcome = Outcome<AddStatus>;

/// What became of a load or a probe of a table file; the message says why it failed, e.g.
/// "its four header numbers cannot be read".
using LoadOutcome = Outcome<LoadStatus>;

/// The four header numbers of a table file: bucket count, bases, words counted, distinct words.
using TableHeader = std::array<std::int64_t, 4>;
/// What messages call the header numbers, in their order.
inline constexpr std::array<const char*, 4> headerNumberNames
    = {"bucket count", "number of bases counted", "number of words counted", "number of distinct words"};

/// What reading a table file found besides its records: what a table our export writes never
/// holds, and how the file ends. Lines are numbered from 1, an LF ending each; 0 means none.
/// None of this changes what a load makes of the file.
struct TableFileFacts {
    TableHeader header {};
    /// The line each header number stands on.
    std::array<std::uint64_t, 4> headerLines {};
    /// Bytes in the file.
    std::uint64_t bytes = 0;
    /// The count line of the first record whose count is below 0, and that count.
    std::uint64_t negativeCountLine = 0;
    std::int64_t negativeCount = 0;
    /// The count line of the first record whose count is no whole decimal number (1e3, 12abc,
    /// 0x10, 5 6, or beyond 64 bits), and what it holds (at most 40 bytes of it).
    std::uint64_t malformedCountLine = 0;
    std::string malformedCount;
    /// The first header line that holds more than its number (another number, 12abc), and
    /// what it holds (at most 40 bytes of it).
    std::uint64_t malformedHeaderLine = 0;
    std::string malformedHeader;
    /// What the records with a word count, for the header to be held against: the records,
    /// whether any counts above 0, and the counts added up by word length (lengths 1 to 63;
    /// a sum stops at the largest 64-bit number).
    std::uint64_t wordRecords = 0;
    bool positiveCount = false;
    std::array<std::uint64_t, 64> countsByLength {};
    /// The first line holding a byte other than 0x00 or CR after the 0x00 that ends the table.
    std::uint64_t trailingLine = 0;
    /// The first line of the record the file ends inside (the record loads as far as it goes).
    std::uint64_t cutShortLine = 0;
    /// Where the 0x00 after the last record is missing, when the file ends between records.
    std::uint64_t missingEndLine = 0;

    /// Whether the bucket count asks for more than the file can fill: above 10000 buckets, as
    /// many as the file has bytes at most.
    bool tooManyBuckets() const;
    /// One line per reason to refuse the table, first line first, as "line 7: the count -5 is
    /// below 0"; none for a table our export writes. Header numbers the records contradict
    /// are refused: bases too few for the words counted (a base starts at most one word of a
    /// length on each strand), no word counted or no distinct word while records count some.
    std::vector<std::string> refusals() const;
    /// One line per oddity that loading passes over: a file cut short, a missing end.
    std::vector<std::string> warnings() const;
};

/// A table of words and their counts: a hash table of `bucketCount` buckets, each keeping its
/// records in arrival order, plus four header numbers. Records are listed and written in bucket
/// order, then arrival order, and that order is part of the file format.
///
/// In memory the records lie in one vector in that listing order, so that a loaded or merged
/// table costs nothing per bucket. A record added to a bucket before the last record's links
/// the records in chains instead: each bucket then knows its first and last record and each
/// record the next of its bucket, and the vector keeps arrival order until a merge or
/// takeEntries lays it out in listing order again. Only a table counted into out of bucket
/// order pays for its buckets, two numbers each.
class DTable {
public:
    static constexpr std::int32_t defaultBucketCount = 10000;
    /// Largest bucket count a table file may ask for.
    static constexpr std::int64_t maximumBucketCount = 16777216;

    /// What construction writes to the diagnostics.
    static constexpr const char* createdText = "created";

    /// An empty table of 10000 buckets that reports nothing.
    DTable() = default;
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
    /// Calls `visit` with each record in the order entries() lists them, copying none.
    template <class Visit>
    void visitEntries(Visit&& visit) const
    {
        forEachListed(visit);
    }
    /// Adds the table `other`, of the same bucket count, as if its words had been counted
    /// after this table's: its counts go to the words already here, its other words follow in
    /// its own order, and its bases and occurrences are added to this table's. For tables
    /// exported from parts of one FASTA text this gives the table of the whole text.
    /// Refused, with nothing changed, when the bucket counts differ or when a count or a
    /// header number would leave the 64-bit range. Takes time in proportion to the records
    /// of both tables, whatever their bucket count.
    AddOutcome addTable(const DTable& other);
    /// Moves every record out, in the order entries() lists them; the header numbers stay.
    std::vector<WordEntry> takeEntries();

    /// Number of records held (which a loaded table's header need not agree with).
    std::size_t recordCount() const { return records.size(); }
    /// Number of records whose count is below 0, which no counting gives.
    std::size_t negativeCountRecords() const;
    std::int64_t distinctCount() const { return distinctCount_; }
    std::int64_t totalCount() const { return totalCount_; }
    std::int64_t sequenceLength() const { return sequenceLength_; }
    void setSequenceLength(std::int64_t value) { sequenceLength_ = value; }
    std::int32_t bucketCount() const { return bucketCount_; }

    /// Replaces the table with the contents of a table file. On any failure a diagnostic
    /// line is written and the table stays as it was.
    LoadOutcome load(const char* path);
    /// As load(path), keeping only the records whose word is one of `keptLengths` bytes long;
    /// the header numbers are still the file's.
    LoadOutcome load(const char* path, const std::vector<std::size_t>& keptLengths);
    /// As load(path), also telling what the file holds besides its records (read in the same
    /// pass); `facts` is filled in when the table loads.
    LoadOutcome load(const char* path, TableFileFacts& facts);
    /// Both: some word lengths kept, and the facts told.
    LoadOutcome load(const char* path, const std::vector<std::size_t>& keptLengths, TableFileFacts& facts);
    /// Writes the table file in full under a temporary name and renames it into place; when
    /// the file could not be written, says why, and writes a diagnostic line.
    Outcome<WriteStatus> write(const char* path) const;
    /// The bytes write() puts in a file.
    std::string serialize() const;

protected:
    /// Adds `count` occurrences of `word`, which falls in bucket `b`, to the records holding
    /// it among the first `knownSize` of the bucket; without one, appends it. Used when merging
    /// batched counts.
    void addCounted(std::int32_t b, std::size_t knownSize, DString&& word, std::int64_t count);
    std::vector<std::size_t> bucketSizes() const;
    /// Makes room for `extra` more records of bucket `b`, about to be added.
    void reserveRecords(std::int32_t b, std::size_t extra);

    const Diagnostics& diagnostics() const { return diagnostics_; }
    /// Writes `text`, the bytes of a table file, as write() does, with its diagnostic line
    /// when that fails.
    Outcome<WriteStatus> writeText(const char* path, const std::string& text) const;

private:
    static constexpr std::size_t none = static_cast<std::size_t>(-1);

    /// load() keeping every record, or with `keptLengths` only those of these word lengths;
    /// with `facts`, telling what else the file holds.
    LoadOutcome read(const char* path, const std::vector<std::size_t>* keptLengths, TableFileFacts* facts);

    bool chained() const { return !chains.first.empty(); }
    /// Links every record into the chain of its bucket.
    void chain();
    /// Lays the records out in listing order and drops the chains.
    void unchain();
    /// Appends `entry`, whose bucket is `b`.
    void append(WordEntry&& entry, std::int32_t b);
    /// Calls `visit` with the position of each record of bucket `b`, in listing order, while
    /// it returns true.
    template <class Visit>
    void forEachInBucket(std::int32_t b, Visit&& visit) const;
    /// Calls `visit` with each record in listing order.
    template <class Visit>
    void forEachListed(Visit&& visit) const
    {
        if (!chained()) {
            for (const WordEntry& entry : records)
                visit(entry);
            return;
        }
        for (std::size_t first : chains.first)
            for (std::size_t i = first; i != none; i = chains.next[i])
                visit(records[i]);
    }

    Diagnostics diagnostics_;
    std::int32_t bucketCount_ = defaultBucketCount;
    std::int64_t sequenceLength_ = 0;
    std::int64_t totalCount_ = 0;
    std::int64_t distinctCount_ = 0;
    /// Every record: in listing order, or while chained in arrival order.
    std::vector<WordEntry> records;
    /// Records that reserveRecords made room for and that have not come yet.
    std::size_t announced = 0;
    /// While chained, each bucket's first and last record and each record's successor in
    /// its bucket (`none` where there is none); empty otherwise.
    struct Chains {
        std::vector<std::size_t> first;
        std::vector<std::size_t> last;
        std::vector<std::size_t> next;
    } chains;
};

/// Reads only the four header numbers of the table file at `path`: whether load() would
/// take it, and what the header alone tells of the file: its numbers, their lines, and the
/// file's size as its bytes (for a file that is not a regular file, as many as any bucket
/// count asks for). What refusals() says of these facts, load(path, facts) says too, without
/// first making room for the table. Writes nothing to the diagnostic stream.
LoadOutcome probeTableFile(const char* path, TableFileFacts& facts);
