#pragma once

#include "analysis/Analysis.h"

#include <string>

/// The names of the files of motif sites a report holds beside its pages.
inline constexpr const char* sitesBedName = "sites.bed";
inline constexpr const char* genesTableName = "genes.tsv";

/// Every site of each assembled motif in the family's records, as BED6, sorted by record (in
/// file order) then start: the record's name, the site's start (from 0) and end, the motif's
/// id, the member class's sig rounded to a whole number and at most 1000 (as BED's score is),
/// and the strand whose reading is the member's word as it lies in the motif. A site is, within
/// a stretch of overlapping occurrences of the motif's strong members, the occurrence of the
/// strongest, so the bases it covers read, on its strand, a member's word. A record with no
/// name is named "record_N", N its number from 1. Empty when the run placed no sites.
std::string sitesBed(const AnalysisResult& result);

/// The family's records against the assembled motifs: a header line (record, length in
/// letters, then the motifs' ids), then one tab-separated row per record in file order with
/// its number of sites of each motif, as sites.bed lists them. Empty when the run placed no
/// sites.
std::string genesTable(const AnalysisResult& result);
