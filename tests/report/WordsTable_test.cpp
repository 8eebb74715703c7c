#include "TestSupport.h"

#include "report/WordsTable.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace {

AnalysisResult smallResult(Statistic statistic)
{
    AnalysisResult result;
    result.status = AnalysisStatus::Complete;
    result.big = {"genome.dtable", LoadStatus::Loaded, 10000, 1000000, 900000, 2000, 2000, 0, {}};
    result.small = {"family.dtable", LoadStatus::Loaded, 10000, 1000, 950, 30, 30, 0, {}};
    result.genes = {{"gene1.dtable", LoadStatus::Loaded, 10000, 100, 90, 20, 20, 0, {}}};
    std::vector<WordEntry> big, small;
    auto add = [](std::vector<WordEntry>& records, const char* word, std::int64_t count) {
        records.emplace_back(DString(word), count, -1, -1, -1);
    };
    add(big, "AAAAAA", 400);
    add(big, "TTTTTT", 400);
    add(big, "ACGCGT", 20);
    add(big, "CCCCCCC", 9);
    add(big, "GGGGGGG", 9);
    add(small, "AAAAAA", 3);
    add(small, "TTTTTT", 3);
    add(small, "ACGCGT", 9);
    add(small, "TATCGAT", 40);
    add(small, "ATCGATA", 40);
    add(small, "NNNNNN", 500);
    result.significance = significanceOf(big, small, statistic, 6, 8);
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

TEST(WordsTable, MatchesTheGoldenFileAndReadsAsTabSeparatedColumns)
{
    const std::string text = wordsTable(smallResult(Statistic::Binomial));
    EXPECT_TRUE(matchesGolden("report/words.tsv", withoutVersion(text)));
    std::istringstream lines(text);
    std::string line;
    std::size_t rows = 0;
    bool header = false;
    while (std::getline(lines, line)) {
        if (line.starts_with("#"))
            continue;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 13) << line;
        header ? ++rows : header = true;
        EXPECT_EQ(line.find(" 0\t"), std::string::npos);
    }
    EXPECT_EQ(rows, 3u); // AAAAAA|TTTTTT, ACGCGT, ATCGATA|TATCGAT; no word with N
}

TEST(WordsTable, NotesWhatEachStatisticRanksBy)
{
    const std::map<Statistic, std::string> lines {
        {Statistic::Binomial,
            "# statistic: binomial (ranked by E-value; P of the observed count or more, binomial over the small "
            "table's windows)\n"},
        {Statistic::Poisson,
            "# statistic: poisson (ranked by E-value; P of the observed count or more, Poisson of mean expected)\n"},
        {Statistic::Ratio, "# statistic: ratio (ranked by observed / expected; P binomial)\n"},
    };
    for (const auto& [statistic, line] : lines)
        EXPECT_NE(wordsTable(smallResult(statistic)).find(line), std::string::npos) << line;
}
