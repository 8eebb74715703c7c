#include "analysis/KnownMatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

/// A motif of `width` columns, each leaning to one letter as strongly as `lean` (0 flat, 1 a
/// single letter), drawn from `random`.
Motif randomMotif(std::mt19937& random, const std::string& id, int width, double lean)
{
    Motif motif;
    motif.id = id;
    for (int i = 0; i < width; ++i) {
        BaseWeights row {};
        const std::size_t favoured = random() % 4;
        for (std::size_t b = 0; b < 4; ++b)
            row[b] = 20.0 * ((1.0 - lean) / 4.0 + (b == favoured ? lean : 0.0)) + static_cast<double>(random() % 3);
        motif.counts.push_back(row);
    }
    return motif;
}

/// The DNA replication element as a count matrix of 50 sites.
Motif dre()
{
    Motif motif;
    motif.id = "DRE";
    for (const char letter : std::string("TATCGATA")) {
        BaseWeights row {3, 3, 3, 3};
        row[std::string("ACGT").find(letter)] = 41;
        motif.counts.push_back(row);
    }
    return motif;
}

} // namespace

// The shuffles keep each motif's columns and only move them, knownShuffles of each, in the
// same order on every run and machine.
TEST(KnownMatch, ShufflesKeepTheColumnsAndComeOutTheSameEveryTime)
{
    std::mt19937 random(3);
    const std::vector<Motif> known = {randomMotif(random, "a", 7, 0.6), dre(), randomMotif(random, "c", 12, 0.8)};
    const std::vector<Motif> shuffled = shuffledMotifs(known);
    ASSERT_EQ(shuffled.size(), known.size() * knownShuffles);
    for (std::size_t i = 0; i < shuffled.size(); ++i) {
        const Motif& original = known[i / knownShuffles];
        EXPECT_EQ(shuffled[i].id, original.id);
        std::vector<BaseWeights> a = shuffled[i].counts, b = original.counts;
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        EXPECT_EQ(a, b);
    }
    const std::vector<Motif> again = shuffledMotifs(known);
    for (std::size_t i = 0; i < shuffled.size(); ++i)
        EXPECT_EQ(again[i].counts, shuffled[i].counts);
    // The first shuffle of the DRE, as the standard's mt19937 and a Fisher-Yates shuffle give it.
    std::string first;
    for (const BaseWeights& row : shuffled[knownShuffles].counts)
        first += "ACGT"[std::max_element(row.begin(), row.end()) - row.begin()];
    EXPECT_EQ(first.size(), 8u);
    std::mt19937 generator(knownShuffleSeed);
    for (int s = 0; s < knownShuffles; ++s)
        for (std::size_t i = known[0].width(); i > 1; --i)
            generator();
    std::string expected = "TATCGATA";
    for (std::size_t i = expected.size(); i > 1; --i)
        std::swap(expected[i - 1], expected[generator() % i]);
    EXPECT_EQ(first, expected);
}

// A motif whose counterpart is in a small collection matches it with an E-value below the
// naming threshold; one with none does not. Each E-value is the collection's size times the
// share of shuffled motifs matched as well, counted here one shuffled motif at a time.
TEST(KnownMatch, ATrueCounterpartIsNamedAndNoneIsNot)
{
    std::mt19937 random(17);
    std::vector<Motif> known;
    for (int i = 0; i < 7; ++i)
        known.push_back(randomMotif(random, "random-" + std::to_string(i), 8 + i % 5, 0.7));
    known.insert(known.begin() + 3, dre());
    const MotifSet set(known);
    const std::vector<Motif> shuffledList = shuffledMotifs(known);
    const MotifSet shuffled(shuffledList);

    // The DRE from a family: a column lost at the start, the letters a little blurred.
    Motif found;
    found.id = "assembled-1";
    for (std::size_t i = 1; i < 8; ++i) {
        BaseWeights row = dre().counts[i];
        row[(i + 1) % 4] += 6;
        found.counts.push_back(row);
    }
    Motif unrelated = randomMotif(random, "assembled-2", 9, 0.7);
    std::vector<MotifMatch> matches = {set.closest(found), set.closest(unrelated)};
    std::vector<const Motif*> motifs = {&found, &unrelated};
    std::vector<MotifMatch*> pointers = {&matches[0], &matches[1]};
    measureKnownMatches(motifs, pointers, known.size(), shuffled);

    EXPECT_EQ(matches[0].index, 3u);
    EXPECT_LE(matches[0].log10E, std::log10(namedKnownE));
    EXPECT_GT(matches[1].log10E, std::log10(namedKnownE));
    for (std::size_t m = 0; m < 2; ++m) {
        std::size_t asGood = 0;
        for (const Motif& one : shuffledList)
            asGood += closestMotif(*motifs[m], {one}).correlation >= matches[m].correlation - 1e-12;
        const double e = static_cast<double>(known.size()) * static_cast<double>(asGood + 1)
            / static_cast<double>(shuffledList.size() + 1);
        EXPECT_NEAR(matches[m].log10E, std::log10(e), 1e-12) << m;
    }
}
