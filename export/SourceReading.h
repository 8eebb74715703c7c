#pragma once

#include "base/RunFeedback.h"
#include "export/Export.h"
#include "sequence/FastaStream.h"
#include "sequence/InputStream.h"

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>

// The pieces every reading of a FASTA source shares: the export's, the counting in memory,
// and the reading record by record.

/// Bytes of sequence a counting unit holds, and of text read at a time.
inline constexpr std::size_t unitCapacity = 4 << 20;
inline constexpr std::size_t chunkCapacity = 4 << 20;

/// A failed export's result: `status` and the one line for the user.
ExportResult exportFailure(ExportStatus status, std::string message);

/// Gives `counted` the status, message and numbers of `result`, leaving what it counted.
void setResult(ExportResult& counted, ExportResult result);

/// Opens `source`; the export's failure when it cannot be read.
std::optional<ExportResult> openSource(InputStream& input, const char* source, const Diagnostics& diagnostics);

/// Feeds the whole of `input` to `fasta`, up to a zero byte or until `stop` is set or the
/// feedback asks to stop, and finishes it. Progress goes up to nineteen twentieths: the last
/// twentieth is what is done with the counts. Returns the Stopped failure when the feedback
/// asked to stop.
std::optional<ExportResult> feedAll(InputStream& input, FastaStream& fasta, RunFeedback& feedback,
    const std::atomic<bool>* stop = nullptr);

/// What the export makes of a source read to its end: a failure, or nothing when its text
/// can be counted. With `summary` the "Read ... bytes" and gene lines are written on the way.
std::optional<ExportResult> readFailure(const char* source, const InputStream& input, FastaStream& fasta,
    const Diagnostics& diagnostics, bool summary);

/// The export's failure when memory runs out.
ExportResult outOfMemory(const char* source, const Diagnostics& diagnostics);
