#pragma once

#include "analysis/Analysis.h"

#include <string>

/// The motif files a report holds beside its pages.
inline constexpr const char* memeFileName = "motifs.meme";
inline constexpr const char* jasparFileName = "motifs.jaspar";
inline constexpr const char* transfacFileName = "motifs.transfac";
inline constexpr const char* motifTableName = "motifs.tsv";

/// The refined, then the assembled motifs of `result` in the MEME suite's minimal motif
/// format, version 4: DNA alphabet, both strands, the big table's letter frequencies as the
/// background, each motif's rows as probabilities (a row summing to 0 uniform) with its
/// sites and E-value.
std::string memeFile(const AnalysisResult& result);
/// The same motifs as JASPAR count matrices (a row summing to 0 becomes sites / 4 each).
std::string jasparFile(const AnalysisResult& result);
/// The same motifs as TRANSFAC matrices of counts (a row summing to 0 becomes sites / 4 each).
std::string transfacFile(const AnalysisResult& result);
/// One tab-separated row per refined and assembled motif: its kind, id, name, consensus,
/// width, sites, E-value, best sig, members, and the closest known motif with its
/// similarity (correlation, overlap, offset, strand).
std::string motifTable(const AnalysisResult& result);
