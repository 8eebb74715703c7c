#pragma once

#include "analysis/ProbabilityMatrix.h"
#include "analysis/Progress.h"
#include "tables/DTable.h"
#include "tables/WordEntry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

/// Scores the words of a gene family's table against the genome's table, ranks them and
/// builds the probability matrices of the best. Holds copies of the records it was given.
class ScoreEngine {
public:
    static constexpr int refinedCandidates = 10;
    static constexpr int refinementPasses = 5;

    /// An engine that reports nothing.
    ScoreEngine() = default;
    /// An engine that steps `progress` and writes its console lines to its diagnostics.
    explicit ScoreEngine(RunProgress& progress)
        : progress(&progress)
    {
    }

    /// How often tabulating `candidates` words steps the progress.
    static std::int64_t tabulateSteps(std::size_t candidates);
    /// How often refining steps the progress, for `candidates` words and `geneFiles` gene lists.
    static std::int64_t refineSteps(std::size_t candidates, std::size_t geneFiles);

    /// Copies the small table's records into the candidates and the big table's into the
    /// background, then scores every candidate of targetLength letters, all of them A, C, G
    /// or T: Score 1 the expected over the observed count, Score 2 its Poisson and Score 3
    /// its binomial probability. Words not scored hold 1.0 in all three.
    void tabulate(const DTable& big, const DTable& small);
    /// Orders the candidates by Score 1, smallest first; ties keep their table order.
    void sortCandidates();
    /// Builds a matrix for each of the (up to) ten first candidates in five passes, each
    /// pass picking from every gene list the word that fits the matrix best.
    void refineCandidates(std::vector<std::vector<WordEntry>> geneLists);
    /// The candidates, ranked once sorted, and the background, as tabulated.
    const std::vector<WordEntry>& candidateList() const { return candidates; }
    const std::vector<WordEntry>& backgroundList() const { return background; }
    /// The word lengths of the candidates refineCandidates builds matrices for.
    std::vector<std::size_t> refinedLengths() const;

    /// Move the engine's lists out, leaving them empty.
    std::vector<WordEntry> takeCandidates() { return std::move(candidates); }
    std::vector<WordEntry> takeBackground() { return std::move(background); }
    std::vector<ProbabilityMatrix> takeMatrices() { return std::move(matrices); }

private:
    void step()
    {
        if (progress)
            progress->stepProgress();
    }

    RunProgress* progress = nullptr;
    std::vector<WordEntry> candidates;
    std::vector<WordEntry> background;
    std::vector<ProbabilityMatrix> matrices;
    const int targetLength = 6;
    const int minimumCount = 0;
};
