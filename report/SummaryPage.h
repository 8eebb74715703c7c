#pragma once

#include "analysis/Analysis.h"

#include <string>

/// The name of the summary page a report holds beside its pages.
inline constexpr const char* summaryPageName = "summary.html";
/// Most word classes the summary page lists.
inline constexpr std::size_t summaryRows = positionedClasses;

/// What the summary page tells beyond the result.
struct SummaryDetails {
    std::string date;       ///< when the run was made, as shown
    std::string knownPath;  ///< the file the known motifs came from, empty when none
};

/// The summary page of `result`: one self-contained HTML5 page (inline style, SVG logos and
/// a small sorting script) with the run's parameters, the significant word classes, the
/// logos of the refined and the assembled motifs and links to the report's other files.
std::string summaryPage(const AnalysisResult& result, const SummaryDetails& details);
