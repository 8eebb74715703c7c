#include "analysis/KnownMatch.h"

#include "base/Parallel.h"

#include <cmath>
#include <random>

std::vector<Motif> shuffledMotifs(const std::vector<Motif>& known)
{
    std::mt19937 random(knownShuffleSeed);
    std::vector<Motif> shuffled;
    shuffled.reserve(known.size() * knownShuffles);
    for (const Motif& motif : known)
        for (int s = 0; s < knownShuffles; ++s) {
            Motif copy = motif;
            // Fisher-Yates from the generator's raw numbers: std::shuffle's order is the
            // library's own, this one is the same everywhere.
            for (std::size_t i = copy.counts.size(); i > 1; --i)
                std::swap(copy.counts[i - 1], copy.counts[random() % i]);
            shuffled.push_back(std::move(copy));
        }
    return shuffled;
}

void measureKnownMatches(const std::vector<const Motif*>& motifs, std::vector<MotifMatch*>& matches,
    std::size_t knownCount, const MotifSet& shuffled)
{
    forEachInParallel(motifs.size(), [&](std::size_t i) {
        MotifMatch& match = *matches[i];
        if (!match.found)
            return;
        std::size_t asGood = 0;
        for (const double correlation : shuffled.bestCorrelations(*motifs[i]))
            asGood += correlation >= match.correlation - 1e-12;
        const double share = static_cast<double>(asGood + 1) / static_cast<double>(shuffled.size() + 1);
        match.log10E = std::log10(static_cast<double>(knownCount) * share);
    }, 1);
}
