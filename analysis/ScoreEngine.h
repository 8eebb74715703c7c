#pragma once

#include "analysis/ProbabilityMatrix.h"
#include "tables/DTable.h"
#include "tables/WordEntry.h"

#include <cstddef>
#include <string>
#include <vector>

/// What writing a report achieved.
struct ReportOutcome {
    bool indexWritten = false;
    int rowsListed = 0;
    int pagesWritten = 0;
    std::string problem; ///< why there is no index page, when there is none
};

/// Scores the words of a gene family's table against the genome's table, ranks them and
/// builds the probability matrices of the best. Holds copies of the records it was given.
class ScoreEngine {
public:
    static constexpr int refinedCandidates = 10;
    static constexpr int refinementPasses = 5;

    ScoreEngine() = default;

    /// Copies the small table's records into the candidates and the big table's into the
    /// background, then scores every candidate of targetLength letters: Score 1 the expected
    /// over the observed count, Score 2 its Poisson and Score 3 its binomial probability.
    /// Words not scored hold 1.0 in all three.
    void tabulate(const DTable& big, const DTable& small);
    /// Orders the candidates by Score 1, smallest first; ties keep their table order.
    void sortCandidates();
    /// Builds a matrix for each of the (up to) ten first candidates in five passes, each
    /// pass picking from every gene list the word that fits the matrix best.
    void refineCandidates(std::vector<std::vector<WordEntry>> geneLists);
    /// A copy of the matrices, entry i belonging to candidate i.
    std::vector<ProbabilityMatrix> copyMatrices() const { return matrices; }

    /// Writes the report into `folder` (the current folder when null): the index page
    /// `indexFileName` listing the first `rowCount` candidates (or as many as have matrices)
    /// with their scores, then one page per listed candidate drawing its matrix, then any of
    /// the images the pages show that the folder lacks. Writes nothing when there are no
    /// candidates, no background or no matrices.
    ReportOutcome writeReport(int rowCount, const char* indexFileName, const char* folder = nullptr) const;

    const WordEntry& candidate(std::size_t index) const { return candidates[index]; }
    std::size_t candidateCount() const { return candidates.size(); }
    std::size_t backgroundCount() const { return background.size(); }
    std::size_t matrixCount() const { return matrices.size(); }

private:
    std::vector<WordEntry> candidates;
    std::vector<WordEntry> background;
    std::vector<ProbabilityMatrix> matrices;
    const int targetLength = 6;
    const int minimumCount = 0;
};
