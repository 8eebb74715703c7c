#pragma once

#include "base/RunFeedback.h"
#include "export/Export.h"
#include "sequence/Dyads.h"
#include "sequence/FamilyProfile.h"
#include "sequence/Masking.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

/// One record of a FASTA file, whole.
struct FastaRecord {
    std::int64_t number = 0;     ///< from 0, in file order
    std::string_view name;       ///< the header line's first word, as the gene tables name it
    std::string_view sequence;   ///< its sequence lines' bytes as they stand, lower case kept
    std::uint64_t firstBase = 0; ///< the position of its first base in the order of all bases
};

/// Reads the FASTA file `source` (plain or gzip) as the export reads it and calls `each` with
/// every record in file order, records without sequence too, once its sequence is whole:
/// memory grows with the longest record, not the file. Fails as the export does, with the
/// same statuses and messages (unreadable, empty, not text, no header line); on success the
/// result counts the records (genes) and their bases. Progress goes to `feedback` as for the
/// export; its diagnostics get the export's "Error: ..." lines alone.
ExportResult readFastaRecords(const char* source, const std::function<void(const FastaRecord&)>& each,
    RunFeedback& feedback);

/// A record's sequence as the analysis counts it under `masking`: soft-masked letters (Lower)
/// or low-complexity stretches (Dust) made N, and a, c, g and t raised as the export raises
/// them. `masked` grows by the letters masked that were no N before.
std::string maskedSequence(std::string_view sequence, Masking masking, std::int64_t& masked);

/// A FASTA file counted in memory under a masking, with the letters it masked.
struct MaskedCount : CountedFasta {
    std::int64_t maskedBases = 0;
};

/// The table the export would write of the FASTA file `source` with the letters `masking`
/// masks made N, byte for byte; countFasta's when nothing is masked. Reads the file record
/// by record on one thread; fails as countFasta does.
MaskedCount countFastaMasked(const char* source, Masking masking, RunFeedback& feedback);

/// A gene family's FASTA file read once: its table, its first records' tables and its
/// sequences, all masked alike.
struct FamilyRead : ExportResult {
    CountingTable table;                ///< the table the export would write (of the masked text)
    std::vector<CountingTable> records; ///< the first records' tables, as countFastaRecords gives them
    std::vector<std::string> names;     ///< their names
    FamilyProfile profile;
    /// With Strand::Given, the words of every record on its own strand.
    std::optional<StrandCounts> forward;
    std::int64_t maskedBases = 0;
};

/// Reads the family in the FASTA file `source` once, each record masked as `masking` says:
/// its table, the tables of its first `maxRecords` records and its profile. Fails as the
/// export does.
FamilyRead readFamily(const char* source, Masking masking, std::size_t maxRecords, RunFeedback& feedback,
    Strand strand = Strand::Both);

/// The words of every record of the FASTA file `source` on its own strand, masked as `masking`
/// says; fails as the export does.
struct StrandRead : ExportResult {
    StrandCounts counts;
};
StrandRead readStrandCounts(const char* source, Masking masking, RunFeedback& feedback);

/// The spaced pairs of every record of the FASTA file `source`, masked as `masking` says, on
/// the records' own strand; fails as the export does. The records are counted on every core,
/// in batches, a record longer than `pieceStarts` letters cut into pieces of that many starts.
struct DyadRead : ExportResult {
    DyadCounts counts;
};
inline constexpr std::size_t dyadPieceStarts = std::size_t(4) << 20;
DyadRead readDyadCounts(const char* source, Masking masking, DyadSpacings spacings, RunFeedback& feedback,
    std::size_t pieceStarts = dyadPieceStarts);
