#include "analysis/AnalysisRun.h"

#include "analysis/Progress.h"
#include "analysis/ScoreEngine.h"
#include "analysis/Warning.h"
#include "tables/DTable.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int reportRows = 10;

std::string folderShown(const char* reportFolder)
{
    std::error_code error;
    std::filesystem::path folder = reportFolder && *reportFolder ? std::filesystem::path(reportFolder)
                                                                 : std::filesystem::current_path(error);
    std::filesystem::path absolute = std::filesystem::absolute(folder, error);
    return (error ? folder : absolute).string();
}

} // namespace

const char* runAnalysis(const char* bigPath, const char* smallPath, int targetLengthMin, int targetLengthMax,
    int calibration, const char* const* geneFilePaths, int geneFileCount, const char* reportFolder)
{
    // The range and the statistic are the user's settings; the scoring does not vary by them.
    (void)targetLengthMin;
    (void)targetLengthMax;
    (void)calibration;
    if (!bigPath || !smallPath || !geneFilePaths || geneFileCount <= 0)
        return nullptr;

    openProgressWindow();
    resetProgress();
    stepProgress();
    DTable big;
    DTable small;
    stepProgress();
    big.load(bigPath);
    stepProgress();
    small.load(smallPath);
    if (big.distinctCount() <= 0 || small.distinctCount() <= 0)
        showWarning("Error on File Load", "Upstream Genome or Gene Family is empty!");

    ScoreEngine engine;
    stepProgress();
    engine.tabulate(big, small);
    engine.sortCandidates();
    stepProgress();

    // Each gene table gives up its records once loaded, so only one is held at a time.
    std::vector<std::optional<DTable>> geneTables(static_cast<std::size_t>(geneFileCount));
    for (auto& table : geneTables)
        table.emplace();
    std::vector<std::vector<WordEntry>> geneLists;
    geneLists.reserve(geneTables.size());
    for (std::size_t i = 0; i < geneTables.size(); ++i) {
        geneTables[i]->load(geneFilePaths[i]);
        geneLists.push_back(geneTables[i]->takeEntries());
        geneTables[i].reset();
    }
    engine.refineCandidates(std::move(geneLists));

    ReportOutcome report = engine.writeReport(reportRows, reportIndexName, reportFolder);
    closeProgressWindow();
    if (!report.indexWritten) {
        // Never let an older report pass for this run's result.
        std::string text = "No report was written in " + folderShown(reportFolder) + ": " + report.problem + ".";
        showWarning(report.rowsListed > 0 ? "Critical Error" : "Process Data", text.c_str());
        return nullptr;
    }
    return reportIndexName;
}
