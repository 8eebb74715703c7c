#pragma once

#include "analysis/Analysis.h"

#include <string>

/// The name of the file of sites by position a report holds beside its pages.
inline constexpr const char* positionsTableName = "positions.tsv";

/// Where the family's sites lie: lines starting with "#" telling the program, the family, the
/// anchor and the bins and what a site, the expected count and P are; a header line; then,
/// for each assembled motif and then each class of the summary's table, one tab-separated row
/// per bin from the anchor outward. Empty when the run placed no sites (a family given as a
/// table, or of sequences too short for the bins).
std::string positionsTable(const AnalysisResult& result);
