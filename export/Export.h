#pragma once

#include "base/Outcome.h"
#include "base/RunFeedback.h"
#include "export/CountingTable.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// What became of an export.
enum class ExportStatus {
    Exported,         ///< written; for countFasta and countFastaRecords, counted
    MissingPath,
    SourceUnreadable, ///< missing, unreadable, a directory, corrupt or truncated gzip
    SourceEmpty,
    SourceNotText,    ///< holds a zero byte
    SourceNotFasta,   ///< no header line at all
    DestinationUnwritable,
    OutOfMemory,      ///< the counts or the table do not fit in memory
    Stopped,          ///< the feedback asked the reading to stop
};

/// What an export or a counting did; the message is one line for the user when it failed.
struct ExportResult : Outcome<ExportStatus> {
    std::int64_t genes = 0;
    std::int64_t bases = 0;
};

/// A file name as the messages of the export and the input checks quote it: 'name'.
std::string quotedPath(const char* path);

/// Steps of an export's progress: thousandths of the source file read.
inline constexpr std::int64_t exportProgressSteps = 1000;

/// Counting threads an export runs at most, however many it is asked for: each holds counts
/// of about 9 MB and two counting units of 4 MB, and one reading thread keeps no more busy.
inline constexpr unsigned maximumCountingThreads = 8;

/// Counts every word of lengths 6 to 8 of the FASTA file `source` (plain or gzip) and writes
/// the table to `destination`. The destination is only replaced, whole, once the source has
/// been read and counted; a failure leaves it as it was. The file is read as a stream, so
/// memory does not grow with its size but with the table's: at most about three times the
/// size of the table file, and a few tens of MB for a small one. With `threads` above 1 the
/// counting is shared out among up to maximumCountingThreads threads (fewer for a small
/// plain file: one per 4 MB) and the table comes out the same, byte for byte. A table that
/// does not fit in memory ends the export with OutOfMemory. Diagnostic lines go to the
/// feedback, and progress in thousandths of the file while its size is known.
ExportResult exportFastaToDTable(const char* source, const char* destination, RunFeedback& feedback,
    unsigned threads = 1);

/// A FASTA file counted in memory.
struct CountedFasta : ExportResult {
    CountingTable table; ///< empty unless the counting succeeded
};

/// The export's reading and counting of `source`, without writing a file: the table is the
/// one exportFastaToDTable would write, byte for byte, for any thread count. The feedback is
/// told what the export tells it, with the same diagnostic lines in the same order (the
/// table's "created" first), the same progress, now full once the table is counted, and the
/// same failures; DestinationUnwritable never comes back.
CountedFasta countFasta(const char* source, RunFeedback& feedback, unsigned threads = 1);

/// The first records (genes) of a FASTA file, each counted as a table of its own; `genes`
/// counts every record of the file (all of it is read to tell), `bases` all their bases.
struct CountedRecords : ExportResult {
    /// One table per record, for the first of them up to the number asked for, in file order:
    /// each is the table the export of a FASTA file holding only that record would give, its
    /// sequence length that record's bases. The tables report nothing to diagnostics.
    std::vector<CountingTable> tables;
    /// Their names, as the "Read Gene" lines give them: the header line's first word.
    std::vector<std::string> names;
};

/// Reads the FASTA file `source` (plain or gzip) to its end and counts each of its first
/// `maxRecords` records as a table of its own; the records after them are only counted
/// as records, so memory stays bounded by the tables kept. Fails as the export does, with
/// the same statuses and messages (unreadable, empty, not text, no header line); on a
/// failure no table comes back.
///
/// The feedback gets started, progress in thousandths of the file while its size is known,
/// and finished, as for the export. Diagnostics are few: the export's "Error: ..." lines when
/// the file cannot be opened or read or is empty, and on success the one line
/// "Gene tables: K of the N genes of SOURCE". Neither "created" nor the "Read Gene" lines nor
/// the warning about stray sequence lines are written: counting the same file with
/// countFasta gives those.
CountedRecords countFastaRecords(const char* source, std::size_t maxRecords, RunFeedback& feedback);
