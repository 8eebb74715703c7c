#pragma once

#include <cstddef>
#include <string>

/// `sequence` with its low-complexity letters replaced by 'N', found straight from the
/// definition: every stretch of 4 to `window` letters of A, C, G, T (either case) is scored
/// from its own triplet counts, and one scoring above `threshold` (ten times pairs of equal
/// triplets over triplets minus one) is masked when none of the stretches inside it scores
/// higher. Sets `masked` to the number of bytes changed. Meant for a few hundred letters.
std::string dustMaskedByDefinition(const std::string& sequence, int window, double threshold,
    std::size_t& masked);
