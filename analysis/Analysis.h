#pragma once

#include "analysis/Motif.h"
#include "analysis/MotifAssembly.h"
#include "analysis/Positions.h"
#include "analysis/ProbabilityMatrix.h"
#include "analysis/Significance.h"
#include "base/Outcome.h"
#include "base/RunFeedback.h"
#include "tables/DTable.h"
#include "tables/WordEntry.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// Most gene files one analysis takes.
inline constexpr int maximumGeneFiles = 32;

/// A table an analysis reads: the table file at `path`, or, when `table` is set, that table
/// in memory (counted from a FASTA file, say), which `path` then only names.
struct TableSource {
    TableSource() = default;
    TableSource(std::string file)
        : path(std::move(file))
    {
    }
    TableSource(const char* file)
        : path(file)
    {
    }
    TableSource(std::string name, std::shared_ptr<const DTable> inMemory)
        : path(std::move(name))
        , table(std::move(inMemory))
    {
    }

    std::string path;
    std::shared_ptr<const DTable> table;
    /// Where the table file is read from, when not from `path` (a copy of what a pipe gave).
    std::string file;
};

/// The inputs of an analysis: the three kinds of table, and the choices that steer the
/// significance table.
struct AnalysisInput {
    AnalysisInput() = default;
    AnalysisInput(TableSource genome, TableSource family, std::vector<TableSource> geneTables)
        : big(std::move(genome))
        , small(std::move(family))
        , genes(std::move(geneTables))
    {
    }

    TableSource big;                ///< the genome's upstream regions
    TableSource small;              ///< the gene family's upstream regions
    std::vector<TableSource> genes; ///< 1 to maximumGeneFiles gene tables
    /// What ranks the significance table, and the word lengths it covers.
    Statistic statistic = Statistic::Binomial;
    int shortest = shortestWordLength;
    int longest = longestWordLength;
    /// Whether a big or small table holding what no counting gives (a count below 0, header
    /// numbers its records contradict: whatever its facts refuse) ends the run once loaded,
    /// before any warning (status UnsoundTable, the table's summary telling which).
    bool refuseUnsoundTables = false;
    /// Motifs to compare every refined and assembled motif with (read from a motif file).
    std::vector<Motif> known;
    /// The family's sequences, when it came as FASTA: the significance table then counts the
    /// sequences holding each class too, and the Sequences statistic needs them.
    std::shared_ptr<const FamilyProfile> family;
    /// Where the family's sites are placed from, and the width of the bins they fall in.
    Anchor anchor = Anchor::End;
    int binWidth = defaultBinWidth;
    /// The genome's and the family's words on their own strand, both or neither: with them
    /// the significance table takes a class as one word (the family then counts so too).
    std::shared_ptr<const StrandCounts> bigForward;
    std::shared_ptr<const StrandCounts> smallForward;
    /// The spaced pairs of the genome and of the family's sequences, of the same spacings and
    /// strand: with both (and the family), the significance table scores them beside the words.
    std::shared_ptr<const DyadCounts> bigDyads;
    std::shared_ptr<const DyadProfile> familyDyads;
    std::string dyadSource; ///< the FASTA file the genome's pairs were counted in
    /// What stands for the genome when a model or shuffles of the family do, as the reports
    /// say it; empty for a genome's own counts.
    std::string backgroundNote;
};

/// A table file as a run met it: its path, how loading went and its four header numbers.
struct TableSummary {
    std::string path;
    LoadStatus status = LoadStatus::CannotOpen;
    std::int32_t bucketCount = 0;
    std::int64_t sequenceLength = 0;
    std::int64_t totalCount = 0;
    std::int64_t distinctCount = 0;
    std::size_t records = 0; ///< records loaded; of a gene table, those as long as a refined candidate
    std::size_t negativeCounts = 0; ///< records loaded whose count is below 0
    /// What the file holds besides its records, found while loading it (nothing for a table
    /// given in memory).
    TableFileFacts facts;
    std::int64_t maskedBases = 0; ///< letters a masking of its FASTA file made N

    /// True when a header number or a record's count is below 0, which no counting gives.
    bool negative() const { return sequenceLength < 0 || totalCount < 0 || distinctCount < 0 || negativeCounts > 0; }
};

/// What became of an analysis; the result's message says it in words.
enum class AnalysisStatus {
    Complete,
    MissingInput,     ///< no gene file: nothing was read
    TooManyGeneFiles, ///< more than maximumGeneFiles: nothing was read
    BadLengths,       ///< a word length range outside 6 to 8, or reversed: nothing was read
    UnsoundTable,     ///< refused: the big or the small table holds what no counting gives
    Stopped,          ///< the feedback asked the analysis to stop: the result is incomplete
};

/// Everything an analysis found, for the report writer and any other reader.
struct AnalysisResult : Outcome<AnalysisStatus> {
    TableSummary big;
    TableSummary small;
    std::vector<TableSummary> genes;
    /// Every record of the small table, scored and ranked by Score 1, best first.
    std::vector<WordEntry> candidates;
    /// Every record of the big table, as loaded.
    std::vector<WordEntry> background;
    /// The refined matrix of each of the first candidates (at most ten), entry i for candidate i.
    std::vector<ProbabilityMatrix> matrices;
    /// Every word class of the chosen lengths seen in the small table, ranked by the chosen
    /// statistic.
    SignificanceTable significance;
    /// The refined matrices as motifs, entry i for candidate i: id "refined-<rank>", name the
    /// word, counts the matrix's probabilities times the gene files, which are the sites, and
    /// the E-value of the word's class.
    std::vector<Motif> refined;
    /// The significant classes grouped into motifs (ids "assembled-<n>").
    std::vector<AssembledMotif> assembled;
    /// The big table's letter frequencies (A, C, G, T), from its six-letter words.
    BaseWeights baseFrequencies {0.25, 0.25, 0.25, 0.25};
    /// The motifs compared with, and the closest of them to each refined and each assembled
    /// motif (none found when there were none to compare with).
    std::vector<Motif> known;
    std::vector<MotifMatch> refinedKnown;
    std::vector<MotifMatch> assembledKnown;
    /// The family's sequences, when it came as FASTA; null otherwise.
    std::shared_ptr<const FamilyProfile> family;
    /// The words on their own strand the significance table counted, when it did so.
    std::shared_ptr<const StrandCounts> bigForward;
    std::shared_ptr<const StrandCounts> smallForward;
    /// The spaced pairs the significance table scored, when it did so.
    std::shared_ptr<const DyadCounts> bigDyads;
    std::shared_ptr<const DyadProfile> familyDyads;
    std::string dyadSource;
    std::string backgroundNote; ///< as the input gave it
    /// Where in the family's sequences the sites of each assembled motif and of the first
    /// positionedClasses classes of sig >= 0 lie: with the family's sequences, when its longest
    /// spans fewestPositionBins bins or more.
    std::optional<PositionReport> positions;

    /// The 1-based rank of `word` or its reverse complement among the candidates that have a
    /// matrix (the words a report lists); 0 when it is not among them.
    std::size_t rankOf(std::string_view word) const;
};

/// Loads the three kinds of table, scores every word of the small table against the big
/// one, ranks them and refines the matrices of the best against the gene tables. Shows its
/// progress through `feedback` (started, then steps of a known total, then finished), writes
/// the lower layers' diagnostic lines there and warns there when the big or the small table
/// holds no word; the run then goes on.
AnalysisResult analyze(AnalysisInput input, RunFeedback& feedback);
