#include "analysis/MotifAssembly.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

WordClass wordClass(const std::string& word, const std::string& reverse, std::int64_t observed, double sig)
{
    WordClass c;
    c.word = word;
    c.reverse = reverse;
    c.length = static_cast<int>(word.size());
    c.observed = observed;
    c.log10E = -sig;
    return c;
}

} // namespace

TEST(MotifAssembly, RelatedWordsJoinInEitherOrientationAndOthersStartTheirOwn)
{
    SignificanceTable table;
    table.classes = {
        wordClass("TATCGA", "TCGATA", 100, 90.0),
        wordClass("GAGAGA", "TCTCTC", 80, 60.0),
        wordClass("ATCGATA", "TATCGAT", 100, 50.0), // joins turned round, one column longer
        wordClass("AGAGAG", "CTCTCT", 70, 40.0),   // one letter off the start of GAGAGA
        wordClass("TATCCA", "TGGATA", 10, 30.0),   // one mismatch inside TATCGA
        wordClass("CCCGGG", "CCCGGG", 20, 20.0),   // like neither: a motif of its own
        wordClass("TTTTTT", "AAAAAA", 500, -1.0),  // not significant
    };
    const std::vector<AssembledMotif> motifs = assembleMotifs(table);
    ASSERT_EQ(motifs.size(), 3u);

    const AssembledMotif& dre = motifs[0];
    EXPECT_EQ(dre.motif.id, "assembled-1");
    EXPECT_EQ(dre.consensus, "TATCGAT");
    EXPECT_EQ(dre.motif.name, "TATCGAT");
    EXPECT_DOUBLE_EQ(dre.bestSig, 90.0);
    EXPECT_DOUBLE_EQ(dre.motif.log10E, -90.0);
    ASSERT_EQ(dre.members.size(), 3u);
    EXPECT_EQ(dre.members[1].word, "TATCGAT");
    EXPECT_TRUE(dre.members[1].reverse);
    EXPECT_EQ(dre.members[1].offset, 0);
    EXPECT_EQ(dre.members[2].word, "TATCCA");
    EXPECT_EQ(dre.members[2].classIndex, 4u);
    // Columns weighted by observed counts: T 100 + 100 + 10 in column 0; column 4 G 200,
    // C 10; column 6 only TATCGAT's T, 100 of the heaviest 210, within 45% of it.
    ASSERT_EQ(dre.motif.width(), 7u);
    EXPECT_EQ(dre.motif.counts[0], (BaseWeights {0, 0, 0, 210}));
    EXPECT_EQ(dre.motif.counts[4], (BaseWeights {0, 10, 200, 0}));
    EXPECT_EQ(dre.motif.counts[6], (BaseWeights {0, 0, 0, 100}));
    EXPECT_DOUBLE_EQ(dre.motif.sites, 210.0);

    const AssembledMotif& gaga = motifs[1];
    EXPECT_EQ(gaga.consensus, "AGAGAGA");
    ASSERT_EQ(gaga.members.size(), 2u);
    EXPECT_EQ(gaga.members[0].offset, 1); // moved along when AGAGAG hung off the start
    EXPECT_EQ(gaga.members[1].offset, 0);

    EXPECT_EQ(motifs[2].consensus, "CCCGGG");
    EXPECT_EQ(motifs[2].members.size(), 1u);
}

TEST(MotifAssembly, AWordHoldingTheWholeMotifExtendsItAtBothEnds)
{
    SignificanceTable table;
    table.classes = {
        wordClass("ATCGAT", "ATCGAT", 100, 90.0),
        wordClass("TATCGATA", "TATCGATA", 100, 80.0), // ATCGAT with a letter more on each side
        wordClass("GATCGATC", "GATCGATC", 10, 70.0), // against TATCGATA two letters differ
    };
    const std::vector<AssembledMotif> motifs = assembleMotifs(table);
    ASSERT_EQ(motifs.size(), 2u);
    EXPECT_EQ(motifs[0].consensus, "TATCGATA");
    ASSERT_EQ(motifs[0].members.size(), 2u);
    EXPECT_EQ(motifs[0].members[0].offset, 1); // moved along by the column before it
    EXPECT_EQ(motifs[0].members[1].offset, 0);
    EXPECT_EQ(motifs[1].consensus, "GATCGATC");
}

TEST(MotifAssembly, LightColumnsStayOutOfTheCoreAndTheNumberOfMotifsIsCapped)
{
    SignificanceTable table;
    table.classes = {wordClass("ACGTTT", "AAACGT", 1000, 10.0), wordClass("CACGTTT", "AAACGTG", 10, 5.0)};
    std::vector<AssembledMotif> motifs = assembleMotifs(table);
    ASSERT_EQ(motifs.size(), 1u);
    // The C in front carries 10 of 1010: kept among the members, not shown.
    EXPECT_EQ(motifs[0].consensus, "ACGTTT");
    EXPECT_EQ(motifs[0].members[1].offset, -1);

    // Words two letters apart from each other never join.
    SignificanceTable many;
    const std::string letters = "ACGT";
    for (int i = 0; i < 30; ++i) {
        std::string word;
        for (int k = 0; k < 3; ++k)
            word += std::string(2, letters[static_cast<std::size_t>((i >> (2 * k)) & 3)]);
        many.classes.push_back(wordClass(word, word, 5, 1.0));
    }
    motifs = assembleMotifs(many, 4);
    EXPECT_EQ(motifs.size(), 4u);
    EXPECT_TRUE(assembleMotifs(SignificanceTable {}).empty());
}

namespace {

WordClass pairClass(const std::string& word, const std::string& reverse, std::int64_t observed, double sig)
{
    WordClass c = wordClass(word, reverse, observed, sig);
    c.spacing = static_cast<int>(word.size()) - 6;
    return c;
}

} // namespace

TEST(MotifAssembly, PairsOfOneSiteMakeOneMotifWithAGapAndPairsWithinWordsAddNothingThere)
{
    SignificanceTable table;
    table.classes = {
        wordClass("ATCGAT", "ATCGAT", 100, 80.0),
        pairClass("GTGnnnnnnnnCAC", "GTGnnnnnnnnCAC", 120, 70.0),   // of TGTGAnnnnnnTCACA
        pairClass("TGAnnnnnnTCA", "TGAnnnnnnTCA", 120, 60.0),       // its letters on the spacer above
        pairClass("TGTnnnnnnnnnnACA", "TGTnnnnnnnnnnACA", 120, 50.0),
        pairClass("ATCnATC", "GATnGAT", 50, 40.0),                 // within ATCGAT, its spacer on G
        wordClass("GTGAAT", "ATTCAC", 60, 30.0),                   // a word never joins pairs
        pairClass("CCCnnnnnnnnGGG", "CCCnnnnnnnnGGG", 40, 20.0),   // another site: its own motif
    };
    const std::vector<AssembledMotif> motifs = assembleMotifs(table);
    ASSERT_EQ(motifs.size(), 4u);
    EXPECT_EQ(motifs[0].consensus, "ATCGAT");
    ASSERT_EQ(motifs[0].members.size(), 2u);
    EXPECT_EQ(motifs[0].members[1].classIndex, 4u);
    // The pair adds its letters alone: the column under its spacer holds the word's G only.
    EXPECT_DOUBLE_EQ(motifs[0].motif.counts[3][2], 100.0);

    const AssembledMotif& dimer = motifs[1];
    EXPECT_EQ(dimer.consensus, "GTGAnnnnnnTCAC");
    EXPECT_EQ(dimer.members.size(), 3u);
    for (std::size_t k = 0; k < dimer.consensus.size(); ++k) {
        const BaseWeights& column = dimer.motif.counts[k];
        const bool even = column[0] == column[1] && column[1] == column[2] && column[2] == column[3];
        EXPECT_EQ(even, dimer.consensus[k] == 'n') << k;
    }
    EXPECT_EQ(motifs[2].consensus, "GTGAAT");
    EXPECT_EQ(motifs[3].consensus, "CCCnnnnnnnnGGG");
}

/// Pairs of no one site, of letters that meet often (CG in a family richer in it than its
/// genome, here the pairs of such a run), chain into motifs of mixed columns: every motif of
/// pairs still shows a whole pair at least, beginning and ending with a letter.
TEST(MotifAssembly, PairsOfNoOneSiteStillShowAWholePair)
{
    struct Row {
        const char* word;
        std::int64_t observed;
        double sig;
    };
    const Row rows[] = {
        {"CGTnnnCGC", 199, 100},
        {"CGCnnnnnnnnnnnnCGG", 530, 97},
        {"GATnnnnnnnnnAGC", 2040, 96},
        {"CGCnnnnCCG", 474, 94},
        {"CGTnnnnnnnnATA", 1467, 92},
        {"CGAnnnnnnnnATA", 1499, 90},
        {"GCGnCGC", 1617, 88},
        {"CGAnnnnATA", 1613, 87},
        {"ACGnnnnnnnnnnnTAT", 1847, 84},
        {"CGCnnnnnGCT", 997, 82},
        {"CGCnnnnnCGC", 1125, 81},
        {"TATnnnnnnnnnnGCT", 613, 79},
        {"ATAnnnnnnGAT", 592, 77},
        {"ACGnTAT", 2077, 74},
        {"GCTnATA", 1991, 72},
        {"CGGnnnnnnnnGAT", 113, 69},
        {"CGGnnnnnnnnATA", 1594, 68},
        {"GATnnnnnnnnnnnTCG", 1663, 67},
        {"ATCnnnnnACG", 505, 65},
        {"CGCnnnnnnnnnnnnGCT", 754, 64},
        {"CGCnnnnnnnnnnnAGC", 325, 62},
        {"CGTnnnnnnnnnnnnGCT", 374, 60},
        {"GCTnnnnnTCG", 1079, 57},
        {"ATAnnnnnnnnnnGCG", 201, 56},
        {"CGCnnnnnnnnCGA", 1780, 55},
        {"ATCnnGCG", 1476, 54},
        {"GCGnnnnnnnnGAT", 225, 51},
        {"ATCnnTAT", 1448, 49},
        {"AGCnnnnnnAGC", 1823, 47},
        {"ATCnnTCG", 196, 45},
        {"CGAnnnnAGC", 1193, 44},
        {"GATnnATC", 1668, 42},
        {"CGCnnACG", 2006, 40},
        {"CGGnnnnnnnAGC", 1903, 37},
        {"CGAnnnnnnAGC", 1079, 36},
        {"GATnnnnnATA", 339, 34},
        {"CGGnnnnnnCGG", 932, 33},
    };
    SignificanceTable table;
    for (const Row& row : rows) {
        const std::string word = row.word;
        std::string reverse(word.rbegin(), word.rend());
        for (char& c : reverse)
            c = c == 'A' ? 'T' : c == 'T' ? 'A' : c == 'C' ? 'G' : c == 'G' ? 'C' : c;
        table.classes.push_back(pairClass(word, reverse, row.observed, row.sig));
    }
    const std::vector<AssembledMotif> motifs = assembleMotifs(table);
    ASSERT_FALSE(motifs.empty());
    for (const AssembledMotif& motif : motifs) {
        SCOPED_TRACE(motif.consensus);
        ASSERT_GE(motif.consensus.size(), 6u);
        EXPECT_NE(motif.consensus.front(), 'n');
        EXPECT_NE(motif.consensus.back(), 'n');
        EXPECT_GE(std::count_if(motif.consensus.begin(), motif.consensus.end(), [](char c) { return c != 'n'; }), 6);
        EXPECT_EQ(motif.motif.counts.size(), motif.consensus.size());
    }
}
