#pragma once

#include "analysis/MotifAssembly.h"
#include "analysis/Significance.h"
#include "sequence/FamilyProfile.h"

#include <cstdint>
#include <string>
#include <vector>

/// What positions count from: the sequences' ends (upstream regions end where transcription
/// starts, so the last base is -1, the one before it -2) or their starts (the first base 1).
enum class Anchor { End = 0, Start = 1 };

/// "end" or "start".
const char* anchorName(Anchor anchor);
/// The anchor `name` names, if any.
bool anchorNamed(const std::string& name, Anchor& anchor);

/// The bins positions fall in: bin b holds the positions -(b + 1) * width to -b * width - 1
/// from the end, or b * width + 1 to (b + 1) * width from the start.
struct PositionBins {
    Anchor anchor = Anchor::End;
    int width = 10;
    int count = 0; ///< enough for the family's longest sequence
    int from(int bin) const { return anchor == Anchor::End ? -(bin + 1) * width : bin * width + 1; }
    int to(int bin) const { return anchor == Anchor::End ? -bin * width - 1 : (bin + 1) * width; }
};

/// Fewest bins a family's longest sequence must span for a positional profile to mean
/// anything.
constexpr int fewestPositionBins = 5;
/// The default width of a bin, in bases, and the widest a run takes.
constexpr int defaultBinWidth = 10;
constexpr int maximumBinWidth = 1000000;
/// The classes of sig >= 0, in rank order, whose positions a run finds.
constexpr std::size_t positionedClasses = 100;

/// How many bins of `width` bases the family's longest sequence spans.
int binsSpanned(const FamilyProfile& family, int width);

/// Where in the family's sequences the sites of one motif, or of one word class, lie.
struct PositionProfile {
    std::string item;                  ///< the motif's id, or the class's word
    std::vector<std::int64_t> sites;   ///< per bin
    std::vector<double> expected;      ///< per bin, the sites spread as the windows are
    std::int64_t total = 0;
    /// log10 of the chi-square P of the sites against the expected, the far bins pooled until
    /// each pool expects at least 5; 0 when fewer than two pools are left.
    double log10P = 0.0;
};

/// A site of an assembled motif in one of the family's distinct sequences: within a stretch
/// of overlapping occurrences of the motif's strong members, the occurrence of the strongest.
struct MotifSite {
    std::uint32_t start = 0; ///< from 0, in the sequence
    std::uint32_t length = 0;
    std::uint32_t motif = 0; ///< index of the motif
    bool reverse = false;    ///< the sequence reads the member's reverse complement there: the minus strand
    double sig = 0.0;        ///< the member class's
};

/// The positional profiles of a run: one per assembled motif, one per class asked for, and
/// each distinct sequence's motif sites by start.
struct PositionReport {
    PositionBins bins;
    std::vector<PositionProfile> motifs;  ///< in the motifs' order
    std::vector<PositionProfile> classes; ///< in the order asked for
    std::vector<std::vector<MotifSite>> sites; ///< per distinct sequence, by start, then motif
};

/// Finds in the family's distinct sequences the sites of each motif of `motifs` (its strong
/// member classes: of a sig at least half its best member's) and of each class of `table` numbered in `classIndices`, and bins them. A site is a
/// stretch of overlapping occurrences of an item's classes (so a repeat or a palindrome's
/// nested words count once where they overlap), placed at its first base for the end anchor's
/// count from the end and the start's from the start alike. The expected sites of a bin are
/// the item's sites spread as the windows of A, C, G and T of the item's shortest class length
/// are.
PositionReport positionsOf(const FamilyProfile& family, const SignificanceTable& table,
    const std::vector<AssembledMotif>& motifs, const std::vector<std::size_t>& classIndices, Anchor anchor,
    int binWidth);
