#pragma once

#include "analysis/Analysis.h"

#include <string>
#include <vector>

/// The motif files a report holds beside its pages.
inline constexpr const char* memeFileName = "motifs.meme";
inline constexpr const char* jasparFileName = "motifs.jaspar";
inline constexpr const char* transfacFileName = "motifs.transfac";
inline constexpr const char* motifTableName = "motifs.tsv";

/// A motif as the report lists it.
struct ListedMotif {
    const Motif& motif;
    const AssembledMotif* assembly; ///< null for a refined motif
    const MotifMatch* match;        ///< the closest known motif, found; null when none was
    std::string id;                 ///< as the motif files write it
    std::string consensus;          ///< an assembled motif's own; a refined one's from its counts
    /// An assembled motif's best member's sig; a refined motif stands for one word class, whose
    /// sig is -log10 of its E-value.
    double bestSig = 0.0;
    /// The word classes it stands for: an assembled motif's members, a refined one's word.
    std::vector<std::string> members;
};

/// The motifs of `result` as the report lists them: the refined ones, then the assembled.
std::vector<ListedMotif> listedMotifs(const AnalysisResult& result);

/// The motifs a report's motif files list, and what each is, as the TRANSFAC file says.
struct ReportMotifs {
    std::vector<Motif> motifs;             ///< the refined motifs, then the assembled ones
    std::vector<std::string> descriptions; ///< one for each motif
};

/// The motifs of `result` as the report's motif files list them.
ReportMotifs reportMotifs(const AnalysisResult& result);
/// One tab-separated row per refined and assembled motif, in the order and with the ids of
/// the motif files: its kind, id, name, consensus, width, sites, E-value, best sig, members,
/// and the closest known motif with its similarity (correlation, overlap, offset, strand).
std::string motifTable(const AnalysisResult& result);
