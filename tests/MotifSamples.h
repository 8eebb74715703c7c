#pragma once

// Motifs and checks the tests of the motif formats and of the report's motif files share.

#include "analysis/MotifFormats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

/// Two refined motifs (one with an E-value far below the double range), then an assembled
/// motif whose first position no member covers: the motifs of tests/data/motifs/expected.*.
inline std::vector<Motif> sampleMotifs()
{
    return {
        {"refined-1", "TATCGA", {{0, 0, 0, 3}, {3, 0, 0, 0}, {0.5, 0.25, 0.25, 2}, {0, 2, 1, 0}, {0, 0, 3, 0}, {2.5, 0, 0, 0.5}},
            3.0, std::log10(3.2) - 2387.0},
        {"refined-2", "ACGCGT", {{3, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 3, 0}, {0, 5.0 / 3.0, 4.0 / 3.0, 0}, {0, 0, 3, 0}, {0, 0, 0, 3}},
            3.0, -3.0},
        {"assembled-1", "NTATCGAT",
            {{0, 0, 0, 0}, {0, 0, 0, 40}, {50, 0, 0, 0}, {0, 0, 0, 50}, {0, 50, 0, 0}, {0, 0, 50, 0}, {50, 0, 0, 0}, {0, 0, 0, 10}},
            50.0, -12.5},
    };
}

/// Letter frequencies of the sample that do not sum to 1.
inline constexpr BaseWeights sampleBackground {0.6, 0.4, 0.4, 0.6};

/// Whether two lists of motifs agree in every field.
inline testing::AssertionResult sameMotifs(const std::vector<Motif>& a, const std::vector<Motif>& b)
{
    if (a.size() != b.size())
        return testing::AssertionFailure() << a.size() << " motifs against " << b.size();
    for (std::size_t m = 0; m < a.size(); ++m)
        if (a[m].id != b[m].id || a[m].name != b[m].name || a[m].counts != b[m].counts || a[m].sites != b[m].sites
            || a[m].log10E != b[m].log10E)
            return testing::AssertionFailure() << "motif " << m << " differs: " << a[m].id << " against " << b[m].id;
    return testing::AssertionSuccess();
}

/// Whether `read` holds `written` with the same ids, names and probabilities (to `tolerance`).
inline testing::AssertionResult sameMatrices(const MotifFileContents& read, const std::vector<Motif>& written, double tolerance)
{
    if (!read.ok())
        return testing::AssertionFailure() << read.message;
    if (read.motifs.size() != written.size())
        return testing::AssertionFailure() << read.motifs.size() << " motifs read, " << written.size() << " written";
    for (std::size_t m = 0; m < written.size(); ++m) {
        const Motif& a = read.motifs[m];
        const Motif& b = written[m];
        if (a.id != b.id || a.name != b.name || a.width() != b.width())
            return testing::AssertionFailure() << "motif " << m << " reads as " << a.id << " " << a.name << " of width " << a.width();
        const std::vector<BaseWeights> got = frequenciesOf(a);
        const std::vector<BaseWeights> wanted = frequenciesOf(b);
        for (std::size_t k = 0; k < got.size(); ++k)
            for (std::size_t letter = 0; letter < 4; ++letter)
                if (std::fabs(got[k][letter] - wanted[k][letter]) > tolerance)
                    return testing::AssertionFailure() << b.id << " position " << k << " letter " << motifLetters[letter] << ": "
                                                       << got[k][letter] << " read, " << wanted[k][letter] << " written";
    }
    return testing::AssertionSuccess();
}

/// A MEME file whose first motif "a" has the matrix header line 4 ending in `keys`, then `rest`.
inline std::string memeWithHeader(const std::string& keys, const std::string& rest)
{
    return "MEME version 4\n\nMOTIF a\nletter-probability matrix: alength= 4" + keys + "\n" + rest;
}

/// A text a reader must refuse, and the message it must give for it.
struct Malformed {
    std::string text;
    std::string message;
};

/// Checks that each text is refused as malformed, under the name "f", with its message and
/// no motif.
inline void expectRefused(const std::vector<Malformed>& cases)
{
    for (const Malformed& c : cases) {
        const MotifFileContents read = parseMotifFile(c.text, "f");
        EXPECT_EQ(read.status, MotifFileStatus::Malformed) << testing::PrintToString(c.text);
        EXPECT_EQ(read.message, c.message) << testing::PrintToString(c.text);
        EXPECT_TRUE(read.motifs.empty()) << testing::PrintToString(c.text);
    }
}
