#include "MotifSamples.h"
#include "TestSupport.h"

#include "report/MotifFiles.h"
#include "report/ReportFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

namespace {

/// The sample motifs as two refined motifs and one assembled one, and a known motif matched
/// by the first refined motif only.
AnalysisResult smallResult()
{
    const std::vector<Motif> motifs = sampleMotifs();
    AnalysisResult result;
    result.status = AnalysisStatus::Complete;
    result.baseFrequencies = sampleBackground;
    result.refined = {motifs[0], motifs[1]};
    AssembledMotif assembled;
    assembled.motif = motifs[2];
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
    match.log10E = -2.3;
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

} // namespace

TEST(MotifFiles, TheReportsMotifFilesAndTableMatchGoldenFiles)
{
    const AnalysisResult result = smallResult();
    EXPECT_TRUE(matchesGolden("motifs/expected.tsv", withoutVersion(motifTable(result))));
    std::map<std::string, std::string> files;
    for (const auto& [name, bytes] : reportFiles(result, {"2025-12-06 05:46 UTC", ""}))
        files[name] = bytes;
    EXPECT_TRUE(matchesGolden("motifs/expected.meme", files[memeFileName]));
    EXPECT_TRUE(matchesGolden("motifs/expected.jaspar", files[jasparFileName]));
    EXPECT_TRUE(matchesGolden("motifs/expected.transfac", files[transfacFileName]));
    EXPECT_EQ(files[motifTableName], motifTable(result));
}

TEST(MotifFiles, OddIdsAndNamesCannotBreakTheTable)
{
    AnalysisResult result = smallResult();
    result.refined[0].name = "TA TC\tG\nA";
    result.refined[1].id.clear();
    result.refinedKnown.clear();

    std::istringstream lines(motifTable(result));
    std::string line;
    int rows = 0;
    while (std::getline(lines, line)) {
        if (line.starts_with("#"))
            continue;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 15) << line;
        ++rows;
    }
    EXPECT_EQ(rows, 4); // the header and three motifs
    EXPECT_NE(motifTable(result).find("\nrefined\tmotif-2\tACGCGT\t"), std::string::npos);
}
