#pragma once

#include "analysis/Motif.h"
#include "analysis/Significance.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// Most motifs an assembly makes.
inline constexpr std::size_t maximumAssembledMotifs = 20;

/// A word class as it lies in an assembled motif.
struct MotifMember {
    std::size_t classIndex = 0; ///< in the significance table
    std::string word;           ///< the class's word, or its reverse complement, as it lies
    int offset = 0;             ///< motif position of the word's first letter; below 0, or the
                                ///< word running past the end, where it hangs off the core
    bool reverse = false;       ///< the class's reverse complement lies in the motif
    std::int64_t observed = 0;
    double sig = 0.0;
};

/// Significant word classes brought together into one motif.
struct AssembledMotif {
    Motif motif;                      ///< counts: the members' letters weighted by their observed counts
    std::string consensus;            ///< consensusOf(motif.counts)
    double bestSig = 0.0;             ///< of the best member, the first
    std::vector<MotifMember> members; ///< in the order of the significance table
    /// The family's distinct sequences holding its best member, the class it was started
    /// from (a union over all members would count every sequence holding any of hundreds of
    /// weaker words); -1 without the family's sequences.
    std::int64_t sequences = -1;
};

/// Groups the classes of `table` of sig >= 0 into at most `limit` motifs, in the table's
/// order. A motif is a stack of aligned words: each column holds the observed counts of the
/// members' letters there. A class joins the motif its word or its reverse complement
/// matches best, at some shift, when that match holds all but at most one of its letters: a
/// letter matches a column that carries at least 5% of the heaviest column's weight and
/// where that letter holds at least a third of the weight, and a letter off either end
/// counts as not matching, so a member extends a motif by at most one column; a word that
/// holds every column with one letter more at each end joins too and extends it at both.
/// Of equal matches the earlier motif wins. A class that joins none starts a new motif while there
/// are fewer than `limit`. Each motif keeps, as its matrix and consensus, its core: the
/// columns from the first to the last carrying at least 45% of the heaviest one's weight.
/// A spaced pair joins a motif of words as a word would, its spacer letters (n) matching any
/// letter and adding no weight; words never join a motif a pair started. There a pair of its
/// spacer joins as a word would, its spacer matching a column of spacers alone, and a pair of
/// any spacer joins when at least four of its letters fall on columns of letters, all of them
/// matching (the pairs of one site at other spacers, its letters on the others' spacers). A
/// pair's spacer carries its weight spread evenly over the four letters, and a column where
/// spacers outweigh letters reads n in the consensus.
std::vector<AssembledMotif> assembleMotifs(const SignificanceTable& table, std::size_t limit = maximumAssembledMotifs);
