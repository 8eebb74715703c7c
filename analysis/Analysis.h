#pragma once

#include "analysis/ProbabilityMatrix.h"
#include "base/RunFeedback.h"
#include "tables/DTable.h"
#include "tables/WordEntry.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/// Most gene files one analysis takes.
inline constexpr int maximumGeneFiles = 32;

/// The inputs of an analysis: three kinds of DTable file.
struct AnalysisInput {
    std::string bigPath;                ///< the genome's upstream regions
    std::string smallPath;              ///< the gene family's upstream regions
    std::vector<std::string> genePaths; ///< 1 to maximumGeneFiles gene files
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
};

enum class AnalysisStatus {
    Complete,
    MissingInput,     ///< no gene file: nothing was read
    TooManyGeneFiles, ///< more than maximumGeneFiles: nothing was read
};

/// Everything an analysis found, for the report writer and any other reader.
struct AnalysisResult {
    AnalysisStatus status = AnalysisStatus::MissingInput;
    TableSummary big;
    TableSummary small;
    std::vector<TableSummary> genes;
    /// Every record of the small table, scored and ranked by Score 1, best first.
    std::vector<WordEntry> candidates;
    /// Every record of the big table, as loaded.
    std::vector<WordEntry> background;
    /// The refined matrix of each of the first candidates (at most ten), entry i for candidate i.
    std::vector<ProbabilityMatrix> matrices;

    bool complete() const { return status == AnalysisStatus::Complete; }
    /// The 1-based rank of `word` or its reverse complement among the candidates that have a
    /// matrix (the words a report lists); 0 when it is not among them.
    std::size_t rankOf(std::string_view word) const;
};

/// Loads the three kinds of table, scores every word of the small table against the big
/// one, ranks them and refines the matrices of the best against the gene tables. Shows its
/// progress through `feedback` (started, then steps of a known total, then finished), writes
/// the lower layers' diagnostic lines there and warns there when the big or the small table
/// holds no word; the run then goes on.
AnalysisResult analyze(const AnalysisInput& input, RunFeedback& feedback);
