// What the known-motif E-values cost: 30 motifs (10 of 6 columns, as refined matrices, and
// 20 of 6 to 12, as assembled motifs) matched against a collection of 400 motifs of 5 to 21
// columns (as an insect collection of JASPAR holds), with and without the shuffled collection
// the E-values are measured against. Median of 5.
// Usage: seqlark-bench-known

#include "Timing.h"
#include "analysis/KnownMatch.h"

#include <cstdio>
#include <random>

namespace {

Motif randomMotif(std::mt19937& random, int width, std::size_t number)
{
    Motif motif;
    motif.id = std::to_string(number);
    for (int i = 0; i < width; ++i) {
        BaseWeights row {};
        for (double& weight : row)
            weight = static_cast<double>(random() % 20);
        row[random() % 4] += 30.0;
        motif.counts.push_back(row);
    }
    return motif;
}

} // namespace

int main()
{
    std::mt19937 random(9);
    std::vector<Motif> known;
    for (int i = 0; i < 400; ++i)
        known.push_back(randomMotif(random, 5 + static_cast<int>(random() % 17), known.size()));
    std::vector<Motif> ours;
    for (int i = 0; i < 30; ++i)
        ours.push_back(randomMotif(random, i < 10 ? 6 : 6 + static_cast<int>(random() % 7), ours.size()));
    std::vector<double> closest, measured;
    double named = 0;
    for (int run = 0; run < 5; ++run) {
        Clock::time_point start = Clock::now();
        const MotifSet set(known);
        std::vector<MotifMatch> matches;
        for (const Motif& motif : ours)
            matches.push_back(set.closest(motif));
        closest.push_back(secondsSince(start));
        start = Clock::now();
        std::vector<const Motif*> motifs;
        std::vector<MotifMatch*> pointers;
        for (std::size_t i = 0; i < ours.size(); ++i) {
            motifs.push_back(&ours[i]);
            pointers.push_back(&matches[i]);
        }
        measureKnownMatches(motifs, pointers, known.size(), MotifSet(shuffledMotifs(known)));
        measured.push_back(secondsSince(start));
        named = 0;
        for (const MotifMatch& match : matches)
            named += match.log10E <= -1.30103;
    }
    std::printf("30 motifs against 400 known ones: closest %.4f s; E-values against %d shuffles of each %.4f s "
                "(median of 5); %g named by chance of 30 random motifs\n",
        median(closest), knownShuffles, median(measured), named);
    return 0;
}
