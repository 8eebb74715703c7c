#include "analysis/Motif.h"
#include "analysis/MotifFormats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

Motif motifOf(const std::string& id, std::vector<BaseWeights> counts)
{
    Motif motif;
    motif.id = id;
    motif.counts = std::move(counts);
    return motif;
}

/// The Pearson correlation of two columns' probabilities by the textbook formula, with the
/// flat-column rule: two flat columns correlate 1, a flat one with another 0.
double pearson(BaseWeights x, BaseWeights y)
{
    for (BaseWeights* v : {&x, &y}) {
        double sum = 0.0;
        for (double w : *v)
            sum += w;
        for (double& w : *v)
            w = sum > 0.0 ? w / sum : 0.25;
    }
    double mx = 0.0, my = 0.0;
    for (int b = 0; b < 4; ++b) {
        mx += x[b] / 4.0;
        my += y[b] / 4.0;
    }
    double sxy = 0.0, sxx = 0.0, syy = 0.0;
    for (int b = 0; b < 4; ++b) {
        sxy += (x[b] - mx) * (y[b] - my);
        sxx += (x[b] - mx) * (x[b] - mx);
        syy += (y[b] - my) * (y[b] - my);
    }
    const bool flatX = sxx < 1e-20, flatY = syy < 1e-20;
    if (flatX || flatY)
        return flatX && flatY ? 1.0 : 0.0;
    return sxy / std::sqrt(sxx * syy);
}

/// The other strand by hand: rows reversed, A<->T and C<->G.
std::vector<BaseWeights> otherStrand(const std::vector<BaseWeights>& rows)
{
    std::vector<BaseWeights> other;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        other.push_back({(*row)[3], (*row)[2], (*row)[1], (*row)[0]});
    return other;
}

} // namespace

TEST(Motif, FrequenciesReverseComplementAndConsensus)
{
    const Motif motif = motifOf("m", {{8, 0, 0, 0}, {0, 0, 0, 0}, {1, 2, 3, 2}, {0, 5, 0, 5}});
    const std::vector<BaseWeights> p = frequenciesOf(motif);
    EXPECT_EQ(p[0], (BaseWeights {1, 0, 0, 0}));
    EXPECT_EQ(p[1], (BaseWeights {0.25, 0.25, 0.25, 0.25})); // no site covers it
    EXPECT_EQ(p[2], (BaseWeights {0.125, 0.25, 0.375, 0.25}));
    EXPECT_EQ(consensusOf(motif.counts), "ANGC");
    const Motif other = reverseComplementOf(motif);
    EXPECT_EQ(other.counts, otherStrand(motif.counts));
    EXPECT_EQ(consensusOf(other.counts), "ACNT"); // of equal weights the first letter
    EXPECT_EQ(reverseComplementOf(other).counts, motif.counts);
}

TEST(Motif, FindsItselfAndItsReverseComplementWithCorrelationOne)
{
    const std::vector<Motif> known {
        motifOf("gaga", {{0, 0, 9, 1}, {9, 0, 1, 0}, {0, 1, 9, 0}, {8, 1, 1, 0}, {0, 0, 10, 0}, {10, 0, 0, 0}}),
        motifOf("dre", {{0, 0, 0, 10}, {10, 0, 0, 0}, {0, 0, 0, 10}, {0, 10, 0, 0}, {0, 0, 10, 0}, {10, 0, 0, 0},
                           {0, 0, 0, 10}, {10, 0, 0, 0}}),
        motifOf("tata", {{0, 0, 0, 9}, {9, 0, 0, 1}, {1, 0, 0, 9}, {9, 0, 0, 1}, {7, 0, 0, 3}, {9, 0, 0, 1}})};
    for (std::size_t k = 0; k < known.size(); ++k) {
        MotifMatch self = closestMotif(known[k], known);
        ASSERT_TRUE(self.found);
        EXPECT_EQ(self.index, k);
        EXPECT_NEAR(self.correlation, 1.0, 1e-12);
        EXPECT_EQ(self.overlap, static_cast<int>(known[k].width()));
        EXPECT_EQ(self.offset, 0);

        // The dre motif reads the same on both strands, so its forward match is as good.
        MotifMatch turned = closestMotif(reverseComplementOf(known[k]), known);
        EXPECT_EQ(turned.index, k);
        EXPECT_NEAR(turned.correlation, 1.0, 1e-12);
        EXPECT_EQ(turned.reverse, k != 1);
    }
    // A piece of a motif finds it at its place.
    Motif piece = motifOf("piece", {known[1].counts.begin() + 1, known[1].counts.begin() + 7});
    MotifMatch found = closestMotif(piece, known);
    EXPECT_EQ(found.index, 1u);
    EXPECT_EQ(found.offset, 1);
    EXPECT_EQ(found.overlap, 6);
    EXPECT_FALSE(closestMotif(piece, {}).found);
}

TEST(Motif, EachMotifOfTheHandWrittenSetsFindsItselfOnEitherStrand)
{
    for (const char* file : {"known.meme", "known.jaspar"}) {
        SCOPED_TRACE(file);
        const MotifFileContents read = readMotifFile(std::string(SEQLARK_TEST_DATA) + "/motifs/" + file);
        ASSERT_TRUE(read.ok()) << read.message;
        ASSERT_GE(read.motifs.size(), 2u);
        for (std::size_t k = 0; k < read.motifs.size(); ++k) {
            SCOPED_TRACE(read.motifs[k].id);
            for (const bool turned : {false, true}) {
                const MotifMatch match = closestMotif(turned ? reverseComplementOf(read.motifs[k]) : read.motifs[k], read.motifs);
                EXPECT_EQ(match.index, k);
                EXPECT_NEAR(match.correlation, 1.0, 1e-12);
                EXPECT_EQ(match.overlap, static_cast<int>(read.motifs[k].width()));
                EXPECT_EQ(match.reverse, turned);
                EXPECT_EQ(match.offset, 0);
            }
        }
    }
}

TEST(Motif, ClosestMatchesAPlainSearchOverEveryAlignment)
{
    std::mt19937 random(11);
    std::uniform_int_distribution<int> weight(0, 6);
    std::uniform_int_distribution<int> width(1, 9);
    auto randomMotif = [&](const std::string& id) {
        std::vector<BaseWeights> rows(static_cast<std::size_t>(width(random)));
        for (BaseWeights& row : rows)
            for (double& w : row)
                w = weight(random) < 3 ? 0 : weight(random);
        return motifOf(id, rows);
    };
    for (int round = 0; round < 300; ++round) {
        const Motif ours = randomMotif("ours");
        std::vector<Motif> known;
        for (int k = 0; k < 4; ++k)
            known.push_back(randomMotif(std::string("k").append(std::to_string(k))));
        const MotifMatch fast = closestMotif(ours, known);

        // Every alignment, kept when strictly better by more than rounding or as good with
        // a longer overlap.
        double best = -2.0;
        int bestOverlap = 0;
        std::size_t bestIndex = 0;
        const int w = static_cast<int>(ours.width());
        for (std::size_t k = 0; k < known.size(); ++k) {
            const int kw = static_cast<int>(known[k].width());
            const int needed = std::min({6, w, kw});
            for (int strand = 0; strand < 2; ++strand) {
                const std::vector<BaseWeights> theirs = strand ? otherStrand(known[k].counts) : known[k].counts;
                for (int offset = -w; offset <= kw; ++offset) {
                    double sum = 0.0;
                    int overlap = 0;
                    for (int i = 0; i < w; ++i) {
                        if (i + offset < 0 || i + offset >= kw)
                            continue;
                        sum += pearson(ours.counts[static_cast<std::size_t>(i)], theirs[static_cast<std::size_t>(i + offset)]);
                        ++overlap;
                    }
                    if (overlap < needed)
                        continue;
                    const double mean = sum / overlap;
                    if (mean > best + 1e-9 || (mean > best - 1e-9 && overlap > bestOverlap)) {
                        best = mean;
                        bestOverlap = overlap;
                        bestIndex = k;
                    }
                }
            }
        }
        ASSERT_TRUE(fast.found);
        EXPECT_NEAR(fast.correlation, best, 1e-9) << "round " << round;
        EXPECT_EQ(fast.overlap, bestOverlap) << "round " << round;
        EXPECT_EQ(fast.index, bestIndex) << "round " << round;
    }
}
