#include "oracle/LowComplexity.h"
#include "sequence/Masking.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::string randomBases(std::mt19937& random, std::size_t length)
{
    std::string bases;
    for (std::size_t i = 0; i < length; ++i)
        bases += "ACGT"[random() % 4];
    return bases;
}

/// A sequence of one kind: 0 uniform A, C, G, T; 1 with microsatellites of period 1 to 6
/// planted, some with a changed letter; 2 with runs of N and IUPAC letters and odd bytes;
/// 3 with lower-case stretches, microsatellites among them.
std::string sequenceOfKind(std::mt19937& random, int kind, std::size_t length)
{
    std::string sequence;
    while (sequence.size() < length) {
        const std::uint32_t roll = random() % 100;
        if (kind == 0 || roll < 40) {
            sequence += randomBases(random, 1 + random() % 30);
        } else if (kind == 2 && roll < 70) {
            sequence.append(1 + random() % 6, "NRYKMSWBDHVn-\xff"[random() % 14]);
        } else {
            const std::string unit = randomBases(random, 1 + random() % 6);
            std::string repeat;
            for (std::size_t copies = 2 + random() % 12; copies > 0; --copies)
                repeat += unit;
            if (random() % 3 == 0)
                repeat[random() % repeat.size()] = "ACGT"[random() % 4];
            if (kind == 3 && random() % 2)
                for (char& c : repeat)
                    c = static_cast<char>(c - 'A' + 'a');
            sequence += repeat;
        }
    }
    sequence.resize(length);
    return sequence;
}

std::string masked(std::string sequence, int window = 64, double threshold = 20.0)
{
    maskLowComplexity(sequence, window, threshold);
    return sequence;
}

} // namespace

TEST(Masking, NamesRoundTripAndUnknownNamesAreRefused)
{
    for (Masking masking : {Masking::None, Masking::Lower, Masking::Dust}) {
        Masking named = masking == Masking::None ? Masking::Dust : Masking::None;
        EXPECT_TRUE(maskingNamed(maskingName(masking), named));
        EXPECT_EQ(named, masking);
    }
    Masking unchanged = Masking::Lower;
    for (const char* name : {"", "Dust", "dust ", "soft", "lowercase"})
        EXPECT_FALSE(maskingNamed(name, unchanged)) << name;
    EXPECT_EQ(unchanged, Masking::Lower);
}

TEST(Masking, LowerCaseLettersBecomeN)
{
    std::string sequence = "ACgtNNac";
    EXPECT_EQ(maskLowerCase(sequence), 4u);
    EXPECT_EQ(sequence, "ACNNNNNN");
    sequence = "nxRy-*\xe9z";
    EXPECT_EQ(maskLowerCase(sequence), 4u);
    EXPECT_EQ(sequence, "NNRN-*\xe9N");
}

TEST(Masking, LowComplexityKnownAnswers)
{
    std::mt19937 random(2006);
    const std::string left = randomBases(random, 200);
    const std::string right = randomBases(random, 200);

    std::string polyA = left + std::string(30, 'A') + right;
    std::size_t count = maskLowComplexity(polyA);
    EXPECT_EQ(polyA.substr(200, 30), std::string(30, 'N'));
    EXPECT_GE(count, 30u);
    EXPECT_LT(count, 40u);

    std::string ca;
    for (int i = 0; i < 20; ++i)
        ca += "CA";
    std::string dinucleotide = left + ca + right;
    count = maskLowComplexity(dinucleotide);
    EXPECT_EQ(dinucleotide.substr(200, 40), std::string(40, 'N'));
    EXPECT_LT(count, 50u);

    std::string plain = randomBases(random, 1000);
    EXPECT_LT(maskLowComplexity(plain), 20u);

    // Seven equal letters score 25 and are masked at level 20, TATATATATA scores 17 only.
    const std::string published = "CGTATATATATAGTATGCGTACTGGGGGGGCT";
    EXPECT_EQ(masked(published), "CGTATATATATAGTATGCGTACTNNNNNNNCT");
    EXPECT_EQ(masked(published, 64, 10.0), "CGNNNNNNNNNNGTATGCGTACTNNNNNNNCT");
    EXPECT_EQ(masked("AAAAAA"), "AAAAAA");
    EXPECT_EQ(masked("aaaaaaa"), "NNNNNNN");
}

TEST(Masking, OtherBytesBreakStretchesAndAreKept)
{
    // Six A on each side of an N score 20 each, not above 20; across the N they would not.
    EXPECT_EQ(masked("AAAAAANAAAAAA"), "AAAAAANAAAAAA");
    EXPECT_EQ(masked("AAAAAAARAAAAAAA"), "NNNNNNNRNNNNNNN");
    std::string ns = "NNNNNNNNNNNNNNNN";
    EXPECT_EQ(maskLowComplexity(ns), 0u);
    EXPECT_EQ(ns, "NNNNNNNNNNNNNNNN");
    std::string tiny = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";
    EXPECT_EQ(maskLowComplexity(tiny, 3), 0u);
    EXPECT_EQ(maskLowComplexity(tiny, 0), 0u);
    EXPECT_EQ(maskLowComplexity(tiny, -5), 0u);
}

TEST(Masking, LowComplexityMatchesTheDefinition)
{
    std::mt19937 random(1028);
    const int windows[] = {64, 64, 64, 32, 20, 12, 7, 4};
    for (int round = 0; round < 400; ++round) {
        const int kind = round % 4;
        const int window = windows[random() % 8];
        const double thresholds[] = {20.0, 20.0, 20.0, 10.0 + random() % 30, 1.0 * (random() % 10), 12.5, 0.0};
        const double threshold = thresholds[random() % 7];
        const std::size_t length = round % 8 == 7 ? random() % 11 : 50 + random() % 250;
        const std::string sequence = sequenceOfKind(random, kind, length);
        SCOPED_TRACE(testing::Message() << "round " << round << " kind " << kind << " window " << window
                                        << " threshold " << threshold << " " << sequence);
        std::size_t expectedCount = 0;
        const std::string expected = dustMaskedByDefinition(sequence, window, threshold, expectedCount);
        std::string fast = sequence;
        EXPECT_EQ(maskLowComplexity(fast, window, threshold), expectedCount);
        ASSERT_EQ(fast, expected);
    }
}
