#pragma once

#include "analysis/Analysis.h"
#include "base/RunFeedback.h"

#include <string>

/// The name of the report's index page.
inline constexpr const char* reportIndexName = "output.html";
/// Rows of the report's index page.
inline constexpr int reportRows = 10;

/// What writing a report achieved.
struct ReportOutcome {
    bool indexWritten = false;
    int rowsListed = 0;
    int pagesWritten = 0;
    std::string problem; ///< why there is no index page, when there is none
};

/// Writes the report of `result` into `folder` (the current folder when empty): the index
/// page `indexFileName` listing the first `rowCount` candidates (or as many as have matrices)
/// with their scores, then one page per listed candidate drawing its matrix, then any of the
/// images the pages show that the folder lacks. Writes nothing when there are no candidates,
/// no background or no matrices. Failures go to the feedback's diagnostics, and a detail page
/// that cannot be written is also a warning.
ReportOutcome writeReport(const AnalysisResult& result, const std::string& folder, RunFeedback& feedback,
    int rowCount = reportRows, const char* indexFileName = reportIndexName);

/// Tells the user, through `feedback`, that no index page was written into `folder` and why,
/// so that an older report is not taken for the run's result.
void warnNoReport(const ReportOutcome& outcome, const std::string& folder, RunFeedback& feedback);
