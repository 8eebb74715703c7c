#include "TestSupport.h"

#include "analysis/MotifFile.h"
#include "report/MotifFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

/// Two refined motifs (one with an E-value far below the double range), one assembled motif
/// whose first position no member covers, letter frequencies that do not sum to 1, and a
/// known motif matched by the first refined motif only.
AnalysisResult smallResult()
{
    AnalysisResult result;
    result.status = AnalysisStatus::Complete;
    result.baseFrequencies = {0.6, 0.4, 0.4, 0.6};
    result.refined.push_back({"refined-1", "TATCGA",
        {{0, 0, 0, 3}, {3, 0, 0, 0}, {0.5, 0.25, 0.25, 2}, {0, 2, 1, 0}, {0, 0, 3, 0}, {2.5, 0, 0, 0.5}}, 3.0,
        std::log10(3.2) - 2387.0});
    result.refined.push_back({"refined-2", "ACGCGT",
        {{3, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 3, 0}, {0, 5.0 / 3.0, 4.0 / 3.0, 0}, {0, 0, 3, 0}, {0, 0, 0, 3}}, 3.0, -3.0});
    AssembledMotif assembled;
    assembled.motif = {"assembled-1", "NTATCGAT",
        {{0, 0, 0, 0}, {0, 0, 0, 40}, {50, 0, 0, 0}, {0, 0, 0, 50}, {0, 50, 0, 0}, {0, 0, 50, 0}, {50, 0, 0, 0}, {0, 0, 0, 10}},
        50.0, -12.5};
    assembled.consensus = "NTATCGAT";
    assembled.bestSig = 12.5;
    assembled.members = {{0, "TATCGA", 1, false, 40, 12.5}, {3, "ATCGAT", 2, true, 10, 3.25}};
    result.assembled.push_back(assembled);
    result.known.push_back({"KN0001.1", "TBP-like", {{0, 0, 0, 1}, {1, 0, 0, 0}, {0, 0, 0, 1}, {1, 0, 0, 0}, {1, 0, 0, 0}, {1, 0, 0, 0}}, 20, 0});
    MotifMatch match;
    match.found = true;
    match.correlation = 0.9234;
    match.overlap = 6;
    match.offset = 1;
    result.refinedKnown = {match, MotifMatch {}};
    return result;
}

/// The table with the program's version taken out, so that the golden file outlives it.
std::string withoutVersion(std::string text)
{
    const std::string version = std::string("seqlark ") + SEQLARK_VERSION;
    text.replace(text.find(version), version.size(), "seqlark VERSION");
    return text;
}

/// Whether `read` holds the motifs of `result` with the same ids, names and probabilities
/// (to `tolerance`), refined then assembled.
testing::AssertionResult sameMatrices(const MotifFileContents& read, const AnalysisResult& result, double tolerance)
{
    if (!read.ok())
        return testing::AssertionFailure() << read.error;
    std::vector<Motif> written = result.refined;
    for (const AssembledMotif& assembled : result.assembled)
        written.push_back(assembled.motif);
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

} // namespace

TEST(MotifFiles, MatchGoldenFiles)
{
    const AnalysisResult result = smallResult();
    EXPECT_TRUE(matchesGolden("motifs/expected.meme", memeFile(result)));
    EXPECT_TRUE(matchesGolden("motifs/expected.jaspar", jasparFile(result)));
    EXPECT_TRUE(matchesGolden("motifs/expected.transfac", transfacFile(result)));
    EXPECT_TRUE(matchesGolden("motifs/expected.tsv", withoutVersion(motifTable(result))));
}

TEST(MotifFiles, MemeAndJasparFilesReadBackAsTheSameMatrices)
{
    const AnalysisResult result = smallResult();
    const MotifFileContents meme = parseMotifFile(memeFile(result), memeFileName);
    EXPECT_TRUE(sameMatrices(meme, result, 1e-6));
    ASSERT_EQ(meme.motifs.size(), 3u);
    EXPECT_EQ(meme.motifs[0].sites, 3.0);
    EXPECT_NEAR(meme.motifs[0].log10E, result.refined[0].log10E, 0.01);
    EXPECT_NEAR(meme.motifs[2].log10E, -12.5, 0.01);

    const MotifFileContents jaspar = parseMotifFile(jasparFile(result), jasparFileName);
    EXPECT_TRUE(sameMatrices(jaspar, result, 1e-3));
    ASSERT_EQ(jaspar.motifs.size(), 3u);
    EXPECT_EQ(jaspar.motifs[0].sites, 3.0);
    EXPECT_EQ(jaspar.motifs[2].sites, 50.0);
}

TEST(MotifFiles, OddIdsAndNamesCannotBreakTheFields)
{
    // A word comes from a table file and may hold blanks or control bytes; an id may be empty.
    AnalysisResult result = smallResult();
    result.refined[0].name = "TA TC\tG\nA";
    result.refined[1].id.clear();
    result.refinedKnown.clear();

    const MotifFileContents meme = parseMotifFile(memeFile(result), memeFileName);
    ASSERT_TRUE(meme.ok()) << meme.error;
    ASSERT_EQ(meme.motifs.size(), 3u);
    EXPECT_EQ(meme.motifs[0].name, "TA_TC_G_A");
    EXPECT_EQ(meme.motifs[1].id, "motif-2");

    const MotifFileContents jaspar = parseMotifFile(jasparFile(result), jasparFileName);
    ASSERT_TRUE(jaspar.ok()) << jaspar.error;
    ASSERT_EQ(jaspar.motifs.size(), 3u);
    EXPECT_EQ(jaspar.motifs[0].name, "TA_TC_G_A");

    EXPECT_NE(transfacFile(result).find("\nID  TA_TC_G_A\n"), std::string::npos);

    std::istringstream lines(motifTable(result));
    std::string line;
    int rows = 0;
    while (std::getline(lines, line)) {
        if (line.starts_with("#"))
            continue;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 14) << line;
        ++rows;
    }
    EXPECT_EQ(rows, 4); // the header and three motifs
}

TEST(MotifFiles, CountsOfAnySizeReadBack)
{
    AnalysisResult result;
    result.refined.push_back({"huge", "", {{1.3e90, 4, 0, 0}, {0.0625, 1e300, 2.5e15, 7}}, 1e300, 0.0});
    for (const std::string& written : {jasparFile(result), transfacFile(result), memeFile(result)}) {
        EXPECT_EQ(written.find('\0'), std::string::npos);
        if (written.rfind(">", 0) != 0 && written.rfind("MEME", 0) != 0)
            continue; // TRANSFAC is not read back
        const MotifFileContents again = parseMotifFile(written, "written");
        ASSERT_TRUE(again.ok()) << again.error << '\n' << written;
        ASSERT_EQ(again.motifs.size(), 1u);
        const std::vector<BaseWeights> expected = frequenciesOf(result.refined[0]);
        const std::vector<BaseWeights> read = frequenciesOf(again.motifs[0]);
        for (std::size_t k = 0; k < 2; ++k)
            for (std::size_t b = 0; b < 4; ++b)
                EXPECT_NEAR(read[k][b], expected[k][b], 1e-6);
    }
}
