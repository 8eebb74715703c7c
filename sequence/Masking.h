#pragma once

// Masking of a FASTA record's letters before its words are counted. A masked letter becomes
// 'N', so that it breaks words exactly as an N of the file does. Both maskings work on one
// record's sequence, its bytes as they stand in the file (case kept), in place.
//
// Low complexity is the symmetric DUST rule. Letters compare case-insensitively and only A,
// C, G, T form triplets: any other byte ends the stretch being scored, as the sequence's ends
// do. A stretch x of l >= 4 letters holds l - 2 triplets; with c_t the number of times
// triplet t occurs in x, r(x) = sum over t of c_t (c_t - 1) / 2 and its score is
// S(x) = r(x) / (l - 3). Thresholds are given, as DUST levels customarily are, for ten times
// that score: x scores above threshold T when 10 r(x) > T (l - 3), so that the usual level 20
// masks a run of seven equal letters and no shorter one. A stretch of at most `window`
// letters is perfect when it scores above T and no stretch inside it scores higher than it
// does; the masked letters are the union of the perfect stretches.
//
// Cost: one pass over the sequence; at each letter only the stretches ending there that could
// still score above T are scored, at most `window` of them. On random sequence, a handful.

#include <cstddef>
#include <string>
#include <string_view>

/// How a FASTA input's letters are masked before counting.
enum class Masking { None, Lower, Dust };

/// The name of a masking as the command line takes it: "none", "lower", "dust".
const char* maskingName(Masking masking);

/// Sets `masking` to the masking named `name` (as maskingName writes it); false when unknown.
bool maskingNamed(std::string_view name, Masking& masking);

/// Replaces every lower-case letter (soft-masked: a, c, g, t, n and any other a-z) by 'N';
/// returns the number of bytes masked.
std::size_t maskLowerCase(std::string& sequence);

/// The longest window maskLowComplexity takes; a longer one is taken as this one.
inline constexpr int longestDustWindow = 1 << 16;

/// Replaces by 'N' every letter inside a low-complexity region by the symmetric DUST score
/// (stretches of at most `window` letters scoring above `threshold`, on the scale of DUST
/// levels); returns the number of bytes masked that were not N already. A window under 4
/// letters masks nothing.
std::size_t maskLowComplexity(std::string& sequence, int window = 64, double threshold = 20.0);
