#pragma once

#include "base/RunFeedback.h"

#include <cstdint>
#include <string>

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

/// Steps of an export's progress: thousandths of the source file read.
inline constexpr std::int64_t exportProgressSteps = 1000;

/// Counts every word of lengths 6 to 8 of the FASTA file `source` (plain or gzip) and writes
/// the table to `destination`. The destination is only replaced, whole, once the source has
/// been read and counted; a failure leaves it as it was. The file is read as a stream, so
/// memory does not grow with its size; with `threads` above 1 the counting is shared out
/// and the table comes out the same, byte for byte. Diagnostic lines go to the feedback,
/// and progress in thousandths of the file while its size is known.
ExportResult exportFastaToDTable(const char* source, const char* destination, RunFeedback& feedback,
    unsigned threads = 1);
/// The same, reporting nothing.
ExportResult exportFastaToDTable(const char* source, const char* destination);
