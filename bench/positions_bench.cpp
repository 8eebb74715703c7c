// What placing the family's sites by position costs beside the whole run: runs the analysis
// of FAMILY (FASTA) against GENOME, then times finding and binning the sites of its assembled
// motifs and listed classes and making positions.tsv, sites.bed and genes.tsv (medians of 5),
// and says what share of the run's wall time that is (writing the files left out).
// Usage: seqlark-bench-positions GENOME FAMILY [WORKDIR]

#include "Timing.h"
#include "report/PositionsTable.h"
#include "report/SiteTables.h"
#include "run/Run.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s GENOME FAMILY [WORKDIR]\n", argv[0]);
        return 2;
    }
    const std::string work = argc > 3 ? argv[3] : "/tmp/seqlark-bench-positions";
    RunRequest request;
    request.big = argv[1];
    request.small = argv[2];
    request.folder = work;
    RunFeedback quiet;
    std::vector<double> runs;
    RunOutcome outcome;
    for (int i = 0; i < 3; ++i) {
        const Clock::time_point start = Clock::now();
        outcome = run(request, quiet);
        runs.push_back(secondsSince(start));
    }
    if (!outcome.ok() || !outcome.result.family || !outcome.result.positions) {
        std::fprintf(stderr, "the run placed no sites: %s\n", outcome.message.c_str());
        return 1;
    }
    const AnalysisResult& result = *&outcome.result;
    std::vector<std::size_t> listed;
    for (const PositionProfile& profile : result.positions->classes)
        for (std::size_t i = 0; i < result.significance.classes.size(); ++i)
            if (result.significance.classes[i].word == profile.item) {
                listed.push_back(i);
                break;
            }
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        const Clock::time_point start = Clock::now();
        const PositionReport report = positionsOf(*result.family, result.significance, result.assembled, listed,
            result.positions->bins.anchor, result.positions->bins.width);
        times.push_back(secondsSince(start));
        if (report.motifs.size() != result.assembled.size())
            return 1;
    }
    // The three files made from them, as the report writes them.
    std::vector<double> writing;
    std::size_t bytes = 0;
    for (int i = 0; i < 5; ++i) {
        const Clock::time_point start = Clock::now();
        bytes = positionsTable(result).size() + sitesBed(result).size() + genesTable(result).size();
        writing.push_back(secondsSince(start));
    }
    const double whole = median(runs);
    const double positions = median(times) + median(writing);
    std::printf("positions.tsv, sites.bed and genes.tsv: %zu bytes made in %.4f s\n", bytes, median(writing));
    std::printf("positions and sites of %zu motifs and %zu classes in %lld sequences, with their files: %.4f s; "
                "the whole run %.4f s (median of 3), so %.1f%% of it (%.1f%% more than without)\n",
        result.assembled.size(), listed.size(), static_cast<long long>(result.family->size()), positions, whole,
        100.0 * positions / whole, 100.0 * positions / (whole - positions));
    std::filesystem::remove_all(work);
    return 0;
}
