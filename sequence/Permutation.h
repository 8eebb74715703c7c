#pragma once

#include "sequence/DString.h"
#include "sequence/WordCounter.h"
#include "tables/DTable.h"

#include <cstdint>
#include <functional>
#include <string>

class FastaFile;

/// A DTable that counts the words of lengths 6 to 8 of sequences on both strands: every
/// window adds its word, then the word's reverse complement unless the two are equal.
class Permutation : public DTable {
public:
    static constexpr int minimumWordLength = WordCounter::minimumLength;
    static constexpr int maximumWordLength = WordCounter::maximumLength;

    /// Counts every word of `sequence`.
    void countWords(const DString& sequence);
    /// Counts every gene of `fasta` in file order and adds their lengths to sequenceLength.
    void countGenes(const FastaFile& fasta);
    /// `word` reversed with A and T, C and G exchanged; other bytes are their own complement.
    static DString reverseComplement(const DString& word);
    /// Moves what `counter` holds into the buckets, new words in first-seen order after the
    /// records already there, and empties it.
    void takeCounts(WordCounter& counter);
};

/// What became of an export.
enum class ExportStatus {
    Exported,
    MissingPath,
    SourceUnreadable, ///< missing, unreadable, a directory, corrupt or truncated gzip
    SourceEmpty,
    SourceNotText,    ///< holds a zero byte
    SourceNotFasta,   ///< no header line at all
    DestinationUnwritable,
};

struct ExportResult {
    ExportStatus status = ExportStatus::MissingPath;
    std::string message; ///< one line for the user when the export failed
    std::int64_t genes = 0;
    std::int64_t bases = 0;
    bool ok() const { return status == ExportStatus::Exported; }
};

/// Export progress as a fraction from 0 to 1.
using ExportProgress = std::function<void(double fraction)>;

/// Counts every word of lengths 6 to 8 of the FASTA file `source` (plain or gzip) and writes
/// the table to `destination`. The destination is only replaced, whole, once the source has
/// been read and counted; a failure leaves it as it was. The file is read as a stream, so
/// memory does not grow with its size; with `threads` above 1 the counting is shared out
/// and the table comes out the same, byte for byte.
ExportResult exportFastaToDTable(const char* source, const char* destination,
    const ExportProgress& progress = {}, unsigned threads = 1);
