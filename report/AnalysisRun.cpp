#include "report/AnalysisRun.h"

#include "analysis/Analysis.h"
#include "report/ReportWriter.h"
#include "report/ReportFiles.h"

#include <algorithm>

#include <string>

namespace {

/// Passes everything on to the front end's feedback but the end of the progress, which
/// comes once the report is written.
class UntilReported : public RunFeedback {
public:
    explicit UntilReported(RunFeedback& front)
        : RunFeedback(front.diagnostics())
        , front(front)
    {
    }
    void started() override { front.started(); }
    void progressed(std::int64_t done, std::int64_t total) override { front.progressed(done, total); }
    void warn(std::string_view caption, std::string_view text) override { front.warn(caption, text); }

private:
    RunFeedback& front;
};

} // namespace

const char* runAnalysis(const char* bigPath, const char* smallPath, int targetLengthMin, int targetLengthMax,
    int calibration, const char* const* geneFilePaths, int geneFileCount, RunFeedback& feedback,
    const char* reportFolder)
{
    if (!bigPath || !smallPath || !geneFilePaths || geneFileCount <= 0 || geneFileCount > maximumGeneFiles)
        return nullptr;
    AnalysisInput input {bigPath, smallPath, {}};
    for (int i = 0; i < geneFileCount; ++i)
        input.genePaths.emplace_back(geneFilePaths[i] ? geneFilePaths[i] : "");
    // The user's settings steer the words table alone; the pages are the same whatever they
    // hold. A statistic or a range the table cannot take leaves the defaults.
    if (calibration >= 0 && calibration <= 2)
        input.statistic = static_cast<Statistic>(calibration);
    input.shortest = std::max(targetLengthMin, shortestWordLength);
    input.longest = std::min(targetLengthMax, longestWordLength);
    if (input.shortest > input.longest) {
        input.shortest = shortestWordLength;
        input.longest = longestWordLength;
    }

    UntilReported untilReported(feedback);
    const AnalysisResult result = analyze(std::move(input), untilReported);
    const std::string folder = reportFolder ? reportFolder : "";
    ReportOutcome report = writeReport(result, folder, feedback, [&result] { return reportFiles(result, {runDate(), ""}); });
    feedback.finished();
    if (!report.indexWritten) {
        warnNoReport(report, folder, feedback);
        return nullptr;
    }
    return reportIndexName;
}
