#pragma once

#include "analysis/Analysis.h"
#include "base/Outcome.h"
#include "base/RunFeedback.h"
#include "report/ReportFiles.h"

#include <functional>
#include <string>
#include <vector>

/// The name of the report's index page.
inline constexpr const char* reportIndexName = "output.html";
/// Rows of the report's index page.
inline constexpr int reportRows = 10;

/// What became of a report.
enum class ReportStatus {
    Written,         ///< every file, the index page last
    NothingToReport, ///< no candidates, no background or no matrices: nothing written
    Unwritable,      ///< a file could not be written; there is no index page
};

/// What writing a report achieved; the message says why there is no index page, when there
/// is none.
struct ReportOutcome : Outcome<ReportStatus> {
    int rowsListed = 0;
    int pagesWritten = 0;
    /// Every file written, in the order written: the index page last when it was.
    std::vector<std::string> written;
    /// Whether an older index page was removed before anything was written.
    bool removedOldIndex = false;
};

/// Writes the report of `result` into `folder` (the current folder when empty): one page per
/// listed candidate drawing its matrix, any of the images the pages show that the folder
/// lacks, the files `beside` gives once those are written (in their order; it may still be
/// making them while the pages are written), and last the index page `indexFileName`
/// listing the first `rowCount` candidates (or as many as have matrices) with their scores.
/// An older index page there is removed before anything is written, so that a report that fails part way never leaves an older index
/// beside this run's pages. The first file that cannot be written ends the report without an
/// index page, the message saying which; nothing is written through a symbolic link planted
/// under one of the names.
/// Writes nothing when there are no candidates, no background or no matrices. Failures go to
/// the feedback's diagnostics, and a detail page that cannot be written is also a warning.
ReportOutcome writeReport(const AnalysisResult& result, const std::string& folder, RunFeedback& feedback,
    const std::function<std::vector<ReportFile>()>& beside, int rowCount = reportRows,
    const char* indexFileName = reportIndexName);

/// Tells the user, through `feedback`, that no index page was written into `folder`, why, and
/// what the folder holds now, so that an older report is not taken for the run's result.
void warnNoReport(const ReportOutcome& outcome, const std::string& folder, RunFeedback& feedback);
