#pragma once

#include "analysis/Motif.h"

#include <cstdint>
#include <vector>

// How good a motif's closest known motif is, against chance: the collection's motifs with
// their columns shuffled (which keeps each column, so the information a motif holds, and
// breaks their order) are as many motifs of the same make that match nothing. The E-value of
// a match of mean correlation r is the collection's size times the share of shuffled motifs
// that the motif matches with r or more (one added above and below the share, so that no
// E-value is 0): the number of known motifs expected to match this well by chance.

/// Shuffles of each known motif, and the seed of the generator (std::mt19937) they come from.
constexpr int knownShuffles = 25;
constexpr std::uint32_t knownShuffleSeed = 2024;
/// E-values at or below this name the known motif; above, it is only the best candidate.
constexpr double namedKnownE = 0.05;

/// Each of `known` knownShuffles times, its columns in an order drawn by a Fisher-Yates
/// shuffle from the fixed seed; the same on every machine.
std::vector<Motif> shuffledMotifs(const std::vector<Motif>& known);

/// Sets the log10 E-value of each match in `matches`, that of `motifs[i]` to the collection
/// of `knownCount` motifs, against `shuffled` (shuffledMotifs of the collection). Matches not
/// found keep 0.
void measureKnownMatches(const std::vector<const Motif*>& motifs, std::vector<MotifMatch*>& matches,
    std::size_t knownCount, const MotifSet& shuffled);
