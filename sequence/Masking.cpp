#include "sequence/Masking.h"

// The low-complexity rule is the symmetric DUST of Morgulis, Gertz, Schaeffer and Agarwala,
// "A fast and symmetric DUST implementation to mask low-complexity DNA sequences", J Comput
// Biol 13(5), 2006. The method here keeps to its idea: the stretch ending at each letter
// in turn, with the triplet counts of the current window updated as it slides.
//
// Why scoring the stretches that end at letter e against two running maxima suffices: a
// stretch [s, e] is perfect when it scores above T and at least as high as every stretch
// inside it. Those are either its suffixes [s', e], scored in the same backward scan from e,
// or stretches inside [s, e - 1]. Among the latter, one scoring highest and shortest is itself
// perfect whenever it scores above T, and it was found at its own end; so comparing with the
// best perfect stretch starting at s or later (a figure kept per start for the window) is the
// same as comparing with all of them.
//
// Two bounds keep the scan short: a suffix never holds more pairs of equal triplets than the
// whole window does, so the scan stops at the length where even the window's pairs would not
// score above T; and when the last triplet of [s, e] occurs c times before it, in [s, e - 1]
// of r pairs and d triplets minus one, then [s, e] scores (r + c) / (d + 1), which is at
// least r / d only when c >= r / d, and is then at most c. So a perfect [s, e] needs 10 c > T:
// when the newest triplet occurs too few times in the window, nothing ends at e.

#include "base/Dna.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace {

constexpr char maskLetter = 'N';
constexpr int tripletKinds = 64;

/// The 2-bit code of a base regardless of its case; otherBase for every other byte.
constexpr std::array<std::uint8_t, 256> caselessBaseCodes = [] {
    std::array<std::uint8_t, 256> codes = baseCodes;
    for (int c = 'a'; c <= 'z'; ++c)
        codes[static_cast<std::size_t>(c)] = baseCodes[static_cast<std::size_t>(c - 'a' + 'A')];
    return codes;
}();

/// A score r / d kept as its two integers, so that scores compare exactly.
struct Score {
    std::uint64_t pairs = 0;
    std::uint64_t divisor = 1;
};

/// True when score a is higher than score b.
bool higher(Score a, Score b)
{
    return a.pairs * b.divisor > b.pairs * a.divisor;
}

/// Letters [start, end) of the sequence, to become 'N'.
struct Region {
    std::size_t start;
    std::size_t end;
};

/// The scan of one sequence: the window's triplets and their counts, the best perfect stretch
/// per start in the window, and the regions to mask so far. Rings are indexed by position
/// modulo their size, a power of two no smaller than the window.
class DustScan {
public:
    DustScan(const std::string& sequence, int window, double threshold)
        : bytes(sequence)
        , window(static_cast<std::size_t>(window))
        , threshold(threshold)
    {
        std::size_t size = 1;
        while (size < this->window)
            size *= 2;
        ringMask = size - 1;
        triplets.resize(size);
        bestFrom.resize(size);
    }

    /// Scores every stretch of A, C, G, T of the sequence in turn.
    void run()
    {
        std::size_t i = 0;
        while (i < bytes.size()) {
            while (i < bytes.size() && caselessBaseCodes[static_cast<unsigned char>(bytes[i])] == otherBase)
                ++i;
            const std::size_t start = i;
            while (i < bytes.size() && caselessBaseCodes[static_cast<unsigned char>(bytes[i])] != otherBase)
                ++i;
            if (i - start >= 4)
                scanStretch(start, i);
        }
    }

    /// The regions to mask, in order, none touching another.
    const std::vector<Region>& masked() const { return regions; }

private:
    void scanStretch(std::size_t start, std::size_t end);
    void scanEndingAt(std::size_t windowStart, std::size_t e);
    void addRegion(std::size_t start, std::size_t end);

    std::uint8_t code(std::size_t i) const { return caselessBaseCodes[static_cast<unsigned char>(bytes[i])]; }
    bool aboveThreshold(std::uint64_t pairs, std::size_t divisor) const
    {
        return 10.0 * static_cast<double>(pairs) > threshold * static_cast<double>(divisor);
    }

    const std::string& bytes;
    std::size_t window;
    double threshold;
    std::size_t ringMask = 0;
    std::vector<std::uint8_t> triplets;
    std::vector<Score> bestFrom;
    std::array<std::uint32_t, tripletKinds> windowCounts {};
    std::uint64_t windowPairs = 0;
    std::array<std::uint32_t, tripletKinds> suffixCounts {};
    std::vector<Region> regions;
};

/// Slides the window along letters [start, end), all of them A, C, G, T.
void DustScan::scanStretch(std::size_t start, std::size_t end)
{
    windowCounts.fill(0);
    windowPairs = 0;
    unsigned triplet = static_cast<unsigned>(code(start) << 2 | code(start + 1));
    for (std::size_t e = start + 2; e < end; ++e) {
        // Triplet t_i holds letters i, i + 1, i + 2; the newest ends at letter e.
        triplet = (triplet << 2 | code(e)) & (tripletKinds - 1);
        triplets[(e - 2) & ringMask] = static_cast<std::uint8_t>(triplet);
        windowPairs += windowCounts[triplet]++;
        const std::size_t windowStart = e + 1 >= start + window ? e + 1 - window : start;
        if (windowStart > start) {
            const std::uint8_t leaving = triplets[(windowStart - 1) & ringMask];
            windowPairs -= --windowCounts[leaving];
        }
        if (e < start + 3)
            continue;
        bestFrom[(e - 3) & ringMask] = Score {};
        if (!(10.0 * (windowCounts[triplet] - 1) > threshold))
            continue;
        scanEndingAt(windowStart, e);
    }
}

/// Finds the perfect stretches [s, e], s from e - 3 back to the window's start.
void DustScan::scanEndingAt(std::size_t windowStart, std::size_t e)
{
    std::uint64_t pairs = 0;
    Score suffixBest;
    Score perfectBest;
    std::size_t widest = e + 1;
    ++suffixCounts[triplets[(e - 2) & ringMask]];
    std::size_t s = e - 2;
    while (s > windowStart) {
        // The next stretch, [s - 1, e], holds e - s + 2 letters.
        if (!aboveThreshold(windowPairs, e - s - 1))
            break;
        --s;
        pairs += suffixCounts[triplets[s & ringMask]]++;
        const Score here {pairs, e - s - 2};
        const Score& fromHere = bestFrom[s & ringMask];
        if (higher(fromHere, perfectBest))
            perfectBest = fromHere;
        if (aboveThreshold(pairs, e - s - 2) && !higher(suffixBest, here) && !higher(perfectBest, here)) {
            // A perfect stretch scores at least as high as those it holds, so no later one
            // from s scores lower.
            bestFrom[s & ringMask] = here;
            widest = s;
        }
        if (higher(here, suffixBest))
            suffixBest = here;
    }
    for (std::size_t i = s; i <= e - 2; ++i)
        suffixCounts[triplets[i & ringMask]] = 0;
    if (widest <= e)
        addRegion(widest, e + 1);
}

/// Adds letters [start, end) to the regions to mask, joining those it overlaps or touches.
void DustScan::addRegion(std::size_t start, std::size_t end)
{
    while (!regions.empty() && regions.back().end >= start) {
        start = std::min(start, regions.back().start);
        end = std::max(end, regions.back().end);
        regions.pop_back();
    }
    regions.push_back({start, end});
}

} // namespace

const char* maskingName(Masking masking)
{
    switch (masking) {
    case Masking::Lower:
        return "lower";
    case Masking::Dust:
        return "dust";
    case Masking::None:
        break;
    }
    return "none";
}

bool maskingNamed(std::string_view name, Masking& masking)
{
    for (Masking candidate : {Masking::None, Masking::Lower, Masking::Dust}) {
        if (name == maskingName(candidate)) {
            masking = candidate;
            return true;
        }
    }
    return false;
}

std::size_t maskLowerCase(std::string& sequence)
{
    std::size_t masked = 0;
    for (char& c : sequence) {
        if (c >= 'a' && c <= 'z') {
            c = maskLetter;
            ++masked;
        }
    }
    return masked;
}

std::size_t maskLowComplexity(std::string& sequence, int window, double threshold)
{
    if (window < 4)
        return 0;
    DustScan scan(sequence, std::min(window, longestDustWindow), threshold);
    scan.run();
    std::size_t masked = 0;
    for (const Region& region : scan.masked()) {
        for (std::size_t i = region.start; i < region.end; ++i)
            masked += sequence[i] != maskLetter;
        std::fill(sequence.begin() + static_cast<std::ptrdiff_t>(region.start),
            sequence.begin() + static_cast<std::ptrdiff_t>(region.end), maskLetter);
    }
    return masked;
}
