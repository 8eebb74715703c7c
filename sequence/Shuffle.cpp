// Dinucleotide shuffles. A stretch of letters is a walk through the graph whose vertices are
// A, C, G and T and whose edges are its pairs of neighbours; a shuffle keeping those pairs is
// another walk using every edge once (an Eulerian path) from the same first letter. Drawing
// for each letter but the last one its last edge out, such that those edges make a tree
// towards the last letter, then putting the other edges out of each letter in random order,
// gives every such walk with the same chance (Altschul and Erickson, 1985; Kandel et al., 1996).

#include "sequence/Shuffle.h"

#include "base/Dna.h"

#include <array>
#include <vector>

namespace {

constexpr std::array<char, 4> letters {'A', 'C', 'G', 'T'};

/// A letter's code: 0 to 3 for A, C, G and T, otherBase for every other byte.
int digitOf(char c)
{
    return baseCodes[static_cast<unsigned char>(c)];
}

/// Shuffles the stretch `run` of A, C, G and T in place, its pairs of neighbours kept.
void shuffleStretch(char* run, std::size_t length, ShuffleRandom& random, std::array<std::vector<std::uint8_t>, 4>& out)
{
    if (length < 3)
        return;
    for (auto& edges : out)
        edges.clear();
    for (std::size_t i = 0; i + 1 < length; ++i)
        out[static_cast<std::size_t>(digitOf(run[i]))].push_back(static_cast<std::uint8_t>(digitOf(run[i + 1])));
    const int first = digitOf(run[0]);
    const int last = digitOf(run[length - 1]);
    // The last edge out of each letter that has edges but is not the last letter: drawn
    // again until following them from any letter reaches the last one (every letter with
    // edges reaches it, the stretch being a walk there).
    std::array<int, 4> lastEdge {-1, -1, -1, -1};
    for (bool tree = false; !tree;) {
        for (int v = 0; v < 4; ++v)
            lastEdge[static_cast<std::size_t>(v)] = v == last || out[static_cast<std::size_t>(v)].empty()
                ? -1
                : static_cast<int>(random.below(out[static_cast<std::size_t>(v)].size()));
        tree = true;
        for (int v = 0; v < 4 && tree; ++v) {
            int at = v;
            for (int steps = 0; at != last && lastEdge[static_cast<std::size_t>(at)] >= 0 && steps < 4; ++steps)
                at = out[static_cast<std::size_t>(at)][static_cast<std::size_t>(lastEdge[static_cast<std::size_t>(at)])];
            tree = at == last || lastEdge[static_cast<std::size_t>(v)] < 0;
        }
    }
    // The chosen last edge goes to the end of its list; the others are shuffled before it.
    for (int v = 0; v < 4; ++v) {
        std::vector<std::uint8_t>& edges = out[static_cast<std::size_t>(v)];
        std::size_t kept = edges.size();
        if (lastEdge[static_cast<std::size_t>(v)] >= 0) {
            std::swap(edges[static_cast<std::size_t>(lastEdge[static_cast<std::size_t>(v)])], edges.back());
            --kept;
        }
        for (std::size_t i = kept; i > 1; --i)
            std::swap(edges[i - 1], edges[random.below(i)]);
    }
    std::array<std::size_t, 4> used {};
    int at = first;
    run[0] = letters[static_cast<std::size_t>(at)];
    for (std::size_t i = 1; i < length; ++i) {
        at = out[static_cast<std::size_t>(at)][used[static_cast<std::size_t>(at)]++];
        run[i] = letters[static_cast<std::size_t>(at)];
    }
}

} // namespace

std::uint64_t ShuffleRandom::below(std::uint64_t bound)
{
    // Lemire's multiply-and-reject: unbiased, one product per draw.
    __uint128_t product = static_cast<__uint128_t>(next()) * bound;
    auto low = static_cast<std::uint64_t>(product);
    if (low < bound) {
        const std::uint64_t threshold = -bound % bound;
        while (low < threshold) {
            product = static_cast<__uint128_t>(next()) * bound;
            low = static_cast<std::uint64_t>(product);
        }
    }
    return static_cast<std::uint64_t>(product >> 64);
}

std::uint64_t shuffleSeed(std::uint64_t seed, std::uint64_t sequence, std::uint64_t shuffle)
{
    ShuffleRandom mixer(seed ^ (sequence * 0xD1B54A32D192ED03ull) ^ (shuffle * 0x8CB92BA72F3D8DD7ull));
    return mixer.next();
}

std::string dinucleotideShuffle(std::string_view sequence, ShuffleRandom& random)
{
    std::string shuffled(sequence);
    std::array<std::vector<std::uint8_t>, 4> edges;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= shuffled.size(); ++i) {
        if (i < shuffled.size() && digitOf(shuffled[i]) != otherBase)
            continue;
        shuffleStretch(shuffled.data() + start, i - start, random, edges);
        start = i + 1;
    }
    return shuffled;
}
