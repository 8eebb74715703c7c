#pragma once

#include "analysis/Analysis.h"
#include "report/SummaryPage.h"

#include <string>
#include <utility>
#include <vector>

/// A file of a report: its name in the report's folder and its bytes.
using ReportFile = std::pair<std::string, std::string>;

/// The files a report holds beside its pages, in the order they are written: words.tsv,
/// motifs.tsv, positions.tsv, sites.bed and genes.tsv when the run placed the family's sites, the MEME, JASPAR and
/// TRANSFAC motif files, and last summary.html, which links to the others.
std::vector<ReportFile> reportFiles(const AnalysisResult& result, const SummaryDetails& details);

/// The time now as the summary page shows it: "YYYY-MM-DD HH:MM UTC"; the time
/// SOURCE_DATE_EPOCH gives in seconds, when it is set.
std::string runDate();
