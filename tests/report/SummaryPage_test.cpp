#include "TestSupport.h"

#include "report/ReportAssets.h"
#include "report/ReportFiles.h"
#include "report/SummaryPage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

namespace {

WordClass wordClass(const char* word, const char* reverse, std::int64_t observed, double expected, double log10P,
    double log10E, double log10Q)
{
    WordClass c;
    c.word = word;
    c.reverse = reverse;
    c.length = static_cast<int>(c.word.size());
    c.observed = observed;
    c.expected = expected;
    c.ratio = static_cast<double>(observed) / expected;
    c.log10P = log10P;
    c.log10E = log10E;
    c.log10Q = log10Q;
    return c;
}

Motif motif(const char* id, const char* name, std::vector<BaseWeights> counts, double sites, double log10E)
{
    Motif m;
    m.id = id;
    m.name = name;
    m.counts = std::move(counts);
    m.sites = sites;
    m.log10E = log10E;
    return m;
}

/// The rows of the refined motif, a column of each kind a logo meets: one letter only, none
/// (no site), two letters alike, one letter ahead of three alike, two unlike letters.
const std::vector<BaseWeights> refinedRows
    = {{3, 0, 0, 0}, {0, 0, 0, 0}, {1.5, 1.5, 0, 0}, {2.1, 0.3, 0.3, 0.3}, {0, 0, 2, 1}, {0, 3, 0, 0}};

AnalysisResult sampleResult()
{
    AnalysisResult result;
    result.status = AnalysisStatus::Complete;
    result.big = {"genome.dtable", LoadStatus::Loaded, 10000, 1000000, 900000, 2000, 2000, 0, {}};
    result.small = {"family.dtable", LoadStatus::Loaded, 10000, 1000, 950, 30, 30, 0, {}};
    result.genes = {{"gene1.dtable", LoadStatus::Loaded, 10000, 100, 90, 20, 20, 0, {}},
        {"odd <&\"'>/gene2.dtable", LoadStatus::Loaded, 10000, 120, 110, 25, 25, 0, {}},
        {"missing.dtable", LoadStatus::CannotOpen, 0, 0, 0, 0, 0, 0, {}}};
    result.candidates = {WordEntry(DString("ACGCGT"), 9, 1, 2, 3)};
    result.matrices = {ProbabilityMatrix(DString("ACGCGT"))};
    SignificanceTable& table = result.significance;
    table.statistic = Statistic::Binomial;
    table.lengths = {{6, 2080, 420, 12, 3}, {7, 8192, 9, 40, 1}};
    table.classes = {
        wordClass("ATCGATA", "TATCGAT", 40, 0.00487745, -156.554672476, -400.5, -400.5),
        wordClass("ACGCGT", "ACGCGT", 9, 0.1008, -16.3489502005, -13.0309, -13.0309),
        wordClass("AAAAAA", "TTTTTT", 3, 1.21, -0.2, 3.118, 0.4),
        wordClass("CACGTG", "CACGTG", 2, 0.5, -3.4, -0.082, -0.05),
    };
    result.refined = {motif("refined-1", "ACGCGT", refinedRows, 3, -13.0309)};
    AssembledMotif assembled;
    assembled.motif = motif("assembled-1", "", {{9, 0, 0, 0}, {0, 11, 0, 0}, {0, 0, 11, 0}, {0, 11, 0, 0}, {0, 0, 11, 2}}, 11, -13.0309);
    assembled.consensus = "ACGCG";
    assembled.bestSig = 13.0309;
    assembled.members = {{1, "ACGCG", 0, false, 9, 13.0309}, {3, "CGCGT", 1, true, 2, 0.082}, {3, "TACGC", -1, false, 2, 0.082}};
    result.assembled = {assembled};
    result.known = {motif("MA0001.1", "Odd & <known>", {{0, 1, 0, 0}, {0, 0, 1, 0}}, 1, 0)};
    result.refinedKnown = {{true, 0, 0.87654, 2, 1, true, -1.5}};
    result.assembledKnown = {{true, 0, 0.41, 2, 0, false, 0.4}};
    return result;
}

const SummaryDetails sampleDetails {"2024-05-17 10:42", "known/<motifs>&.meme"};

/// `page` with the program's version taken out, so that the golden file outlives it.
std::string withoutVersion(std::string page)
{
    const std::string version = std::string("Seqlark ") + SEQLARK_VERSION;
    for (std::size_t at = page.find(version); at != std::string::npos; at = page.find(version, at))
        page.replace(at, version.size(), "Seqlark VERSION");
    return page;
}

/// One letter of a logo as drawn.
struct Letter {
    char base;
    double y;
    double height;
};

/// The number in the attribute `name` of the element starting at `at` of `text`.
double attribute(const std::string& text, std::size_t at, const std::string& name)
{
    const std::size_t end = text.find('>', at);
    const std::size_t found = text.find(" " + name + "=\"", at);
    if (found == std::string::npos || found > end)
        return std::nan("");
    return std::stod(text.substr(found + name.size() + 3));
}

/// The letters of each column of the logo labelled `label`, by position (from 1), bottom first.
std::map<int, std::vector<Letter>> logoColumns(const std::string& page, const std::string& label)
{
    std::map<int, std::vector<Letter>> columns;
    const std::size_t start = page.find("aria-label=\"" + label + "\"");
    if (start == std::string::npos)
        return columns;
    const std::string logo = page.substr(start, page.find("</svg>", start) - start);
    // Position numbers sit under the middle of their column.
    std::map<long, int> positionAt;
    for (std::size_t at = logo.find("<text x=\""); at != std::string::npos; at = logo.find("<text x=\"", at + 1)) {
        const std::size_t close = logo.find('>', at);
        const std::string number = logo.substr(close + 1, logo.find('<', close) - close - 1);
        if (!number.empty() && std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
            positionAt[std::lround(attribute(logo, at, "x") * 100)] = std::stoi(number);
    }
    for (std::size_t at = logo.find("<use href=\"#"); at != std::string::npos; at = logo.find("<use href=\"#", at + 1)) {
        const char base = logo[at + 12];
        if (base != 'A' && base != 'C' && base != 'G' && base != 'T')
            continue;
        const double middle = attribute(logo, at, "x") + attribute(logo, at, "width") / 2;
        const long key = std::lround(middle * 100);
        const int position = positionAt.count(key) ? positionAt[key] : 0;
        columns[position].push_back({base, attribute(logo, at, "y"), attribute(logo, at, "height")});
    }
    for (auto& [position, letters] : columns)
        std::sort(letters.begin(), letters.end(), [](const Letter& a, const Letter& b) { return a.y > b.y; });
    return columns;
}

/// The letters a logo column of `counts` should show with their heights in bits, smallest
/// first: each probability times 2 minus the column's entropy.
std::vector<std::pair<char, double>> expectedColumn(const BaseWeights& counts)
{
    const double sum = counts[0] + counts[1] + counts[2] + counts[3];
    double entropy = 0;
    for (double count : counts) {
        const double p = sum > 0 ? count / sum : 0.25;
        if (p > 0)
            entropy -= p * std::log(p) / std::log(2.0);
    }
    std::vector<std::pair<char, double>> letters;
    for (int b = 0; b < 4; ++b) {
        const double bits = (sum > 0 ? counts[b] / sum : 0.25) * (2 - entropy);
        if (bits > 1e-6)
            letters.emplace_back("ACGT"[b], bits);
    }
    std::stable_sort(letters.begin(), letters.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    return letters;
}

/// The rows of a table's body in `page`, after the heading `heading`.
std::vector<std::string> tableRows(const std::string& page, const std::string& heading)
{
    std::vector<std::string> rows;
    const std::size_t start = page.find(heading);
    const std::size_t end = page.find("</tbody>", start);
    for (std::size_t at = page.find("<tr><td>", start); at < end; at = page.find("<tr><td>", at + 1))
        rows.push_back(page.substr(at, page.find("</tr>", at) - at));
    return rows;
}

} // namespace

TEST(SummaryPage, MatchesTheGoldenPage)
{
    const std::string page = summaryPage(sampleResult(), sampleDetails);
    EXPECT_TRUE(matchesGolden("report/summary.html", withoutVersion(page)));
    EXPECT_TRUE(page.starts_with("<!DOCTYPE html>\n<html lang=\"en\">"));
    EXPECT_TRUE(page.ends_with("</html>\n"));
    // Nothing outside the page: no remote address, and links only to the report's own files.
    EXPECT_EQ(page.find("http"), std::string::npos);
    EXPECT_EQ(page.find(" src="), std::string::npos);
}

TEST(SummaryPage, LogoColumnsAreAsTallAsTheirInformationAndStackSmallestFirst)
{
    const std::string page = summaryPage(sampleResult(), sampleDetails);
    std::vector<BaseWeights> reverseRows;
    for (auto row = refinedRows.rbegin(); row != refinedRows.rend(); ++row)
        reverseRows.push_back({(*row)[3], (*row)[2], (*row)[1], (*row)[0]});
    for (const auto& [label, rows] : {std::pair {"Logo of ACGCGT, forward", refinedRows},
             std::pair {"Logo of ACGCGT, reverse complement", reverseRows}}) {
        SCOPED_TRACE(label);
        const auto columns = logoColumns(page, label);
        ASSERT_FALSE(columns.empty());
        EXPECT_FALSE(columns.count(0)) << "a letter outside every column";
        // A column of one letter is two bits tall, which gives the scale of the others.
        const auto full = columns.at(label == std::string("Logo of ACGCGT, forward") ? 1 : 6);
        ASSERT_EQ(full.size(), 1u);
        const double twoBits = full[0].height;
        const double baseline = full[0].y + full[0].height;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const int position = static_cast<int>(i) + 1;
            const auto expected = expectedColumn(rows[i]);
            const std::vector<Letter> drawn = columns.count(position) ? columns.at(position) : std::vector<Letter> {};
            ASSERT_EQ(drawn.size(), expected.size()) << "position " << position;
            double bottom = baseline;
            for (std::size_t j = 0; j < drawn.size(); ++j) {
                EXPECT_EQ(drawn[j].base, expected[j].first) << "position " << position;
                EXPECT_NEAR(drawn[j].height / twoBits * 2, expected[j].second, 0.001) << "position " << position;
                EXPECT_NEAR(drawn[j].y + drawn[j].height, bottom, 0.02) << "position " << position;
                bottom = drawn[j].y;
            }
        }
    }
}

TEST(SummaryPage, ListsAtMostAHundredSignificantClassesInRankOrderAndStaysSmall)
{
    AnalysisResult result = sampleResult();
    std::vector<WordClass>& classes = result.significance.classes;
    classes.clear();
    std::vector<std::size_t> significantRanks;
    for (int i = 0; i < 250; ++i) {
        std::string word;
        for (int k = 0, n = i; k < 8; ++k, n /= 4)
            word += "ACGT"[n % 4];
        const double log10E = i % 5 == 4 ? 0.3 : -250.0 + i;
        classes.push_back(wordClass(word.c_str(), word.c_str(), 10, 1.0, log10E - 3, log10E, log10E));
        if (log10E <= 0)
            significantRanks.push_back(static_cast<std::size_t>(i) + 1);
    }
    // As many motifs as a run makes, as wide as they come, to bound the page's size.
    std::vector<BaseWeights> rows(10, BaseWeights {5, 2, 2, 1});
    result.refined.assign(10, motif("refined-1", "ACGCGTAA", rows, 3, -20));
    result.refinedKnown.assign(10, result.refinedKnown[0]);
    AssembledMotif assembled = result.assembled[0];
    assembled.motif.counts = std::vector<BaseWeights>(12, BaseWeights {5, 2, 2, 1});
    assembled.consensus = std::string(12, 'A');
    assembled.members.assign(40, {0, "AAAAAAAA", 2, false, 10, 12.5});
    result.assembled.assign(maximumAssembledMotifs, assembled);
    result.assembledKnown.assign(maximumAssembledMotifs, result.refinedKnown[0]);

    const std::string page = summaryPage(result, sampleDetails);
    const std::vector<std::string> rows100 = tableRows(page, "<table class=\"sort\">");
    ASSERT_EQ(rows100.size(), summaryRows);
    for (std::size_t i = 0; i < rows100.size(); ++i)
        EXPECT_TRUE(rows100[i].starts_with("<tr><td>" + std::to_string(significantRanks[i]) + "</td>")) << rows100[i];
    EXPECT_NE(page.find("200 of the 250 observed word classes of every length reach it"), std::string::npos);
    EXPECT_NE(page.find("200 word classes reach sig &ge; 0"), std::string::npos);
    EXPECT_NE(page.find("and 10 more"), std::string::npos);
    EXPECT_LT(page.size(), 300u * 1024);

    // A class of sig < 0 is left out even when few are significant.
    const std::vector<std::string> sampleRows = tableRows(summaryPage(sampleResult(), sampleDetails), "<table class=\"sort\">");
    ASSERT_EQ(sampleRows.size(), 3u);
    EXPECT_EQ(sampleRows[2].find("AAAAAA"), std::string::npos);
    EXPECT_TRUE(sampleRows[2].starts_with("<tr><td>4</td>"));
}

TEST(SummaryPage, EscapesEveryWordPathAndName)
{
    const char* odd = "<i q=\"1\">&'";
    const std::string escaped = "&lt;i q=&quot;1&quot;&gt;&amp;'";
    AnalysisResult result = sampleResult();
    result.big.path = result.small.path = result.genes[0].path = odd;
    result.candidates = {WordEntry(DString(odd), 9, 1, 2, 3)};
    result.significance.classes[0].word = result.significance.classes[0].reverse = odd;
    result.refined[0].name = odd;
    result.assembled[0].motif.id = result.assembled[0].consensus = result.assembled[0].members[0].word = odd;
    result.known[0].id = result.known[0].name = std::string(odd) + "x";
    result.assembledKnown = result.refinedKnown;
    const std::string page = summaryPage(result, {odd, odd});
    EXPECT_EQ(page.find("<i "), std::string::npos);
    EXPECT_EQ(page.find("q=\"1"), std::string::npos);
    std::size_t times = 0;
    for (std::size_t at = page.find(escaped); at != std::string::npos; at = page.find(escaped, at + 1))
        ++times;
    // 3 paths; the class's word, its reverse and the lead's word; the refined name (heading,
    // 2 logo labels); the assembled id (heading, 2 labels), consensus (heading, list) and
    // member; the known id twice (its name, the same, is not repeated); date twice; known path.
    EXPECT_EQ(times, 20u);
    // The detail page's name keeps to safe letters.
    EXPECT_NE(page.find("href=\"_3Ci_20q_3D_221_22_3E_26_27.html\""), std::string::npos);
}

TEST(SummaryPage, TellsOfARunThatDidNotComplete)
{
    AnalysisResult stopped;
    stopped.status = AnalysisStatus::MissingInput;
    stopped.message = "no gene file was given, so nothing was read";
    const std::string page = summaryPage(stopped, SummaryDetails());
    EXPECT_NE(page.find("The run did not complete: no gene file was given"), std::string::npos);
    EXPECT_NE(page.find("No word class reaches sig &ge; 0"), std::string::npos);
    EXPECT_NE(page.find("No candidate word has a refined matrix"), std::string::npos);
    EXPECT_TRUE(page.ends_with("</html>\n"));
}

TEST(SummaryPage, TakesAKnownMatchPastTheKnownMotifsForNone)
{
    AnalysisResult result = sampleResult();
    result.refinedKnown[0].index = 7;
    result.assembledKnown.clear();
    const std::string page = summaryPage(result, sampleDetails);
    EXPECT_EQ(page.find("Closest known motif"), std::string::npos);
    EXPECT_NE(page.find("No known motif overlaps"), std::string::npos);
}

TEST(SummaryPage, DrawsCountsBelowZeroOrNotANumberWithinTwoBits)
{
    AnalysisResult result = sampleResult();
    result.refined[0].counts = {{3, -1, 0, 0}, {NAN, 1, 0, 0}, {INFINITY, 1, 1, 0}, {2, 2, -1, 0}};
    const std::string page = summaryPage(result, sampleDetails);
    const auto columns = logoColumns(page, "Logo of ACGCGT, forward");
    double highest = 0;
    for (const auto& [position, letters] : columns) {
        double total = 0;
        for (const Letter& letter : letters) {
            EXPECT_GT(letter.height, 0);
            total += letter.height;
        }
        highest = std::max(highest, total);
    }
    EXPECT_LE(highest, 100.0); // two bits
}

TEST(SummaryPage, AlignsMembersHangingOffTheMotifAndBoundsOffsetsFarOff)
{
    AnalysisResult result = sampleResult();
    result.assembled[0].members.resize(2);
    result.assembled[0].members[0].offset = -2;
    result.assembled[0].members[1].offset = 1 << 30;
    const std::string page = summaryPage(result, sampleDetails);
    EXPECT_NE(page.find("<pre>  <b>ACGCG</b>       consensus\n"
                        "ACGCG         +  sig 13.0309  observed 9\n"
                        "       CGCGT  &minus;  sig  0.0820  observed 2\n</pre>"),
        std::string::npos);
}

TEST(SummaryPage, TheRunDateIsSourceDateEpochWhenThatIsSet)
{
    const char* before = std::getenv("SOURCE_DATE_EPOCH");
    const std::string kept = before ? before : "";
    // Seconds worked out apart: 2025-12-07 is day 20429 since 1970-01-01, and 13:00 is 46800 s.
    ::setenv("SOURCE_DATE_EPOCH", "1765112400", 1);
    EXPECT_EQ(runDate(), "2025-12-07 13:00 UTC");
    ::setenv("SOURCE_DATE_EPOCH", "0", 1);
    EXPECT_EQ(runDate(), "1970-01-01 00:00 UTC");
    for (const char* ignored : {"", "12x", "-5", "99999999999999999999999"}) {
        ::setenv("SOURCE_DATE_EPOCH", ignored, 1);
        EXPECT_NE(runDate().rfind("19", 0), 0u) << ignored;
    }
    if (before)
        ::setenv("SOURCE_DATE_EPOCH", kept.c_str(), 1);
    else
        ::unsetenv("SOURCE_DATE_EPOCH");
}

TEST(SummaryPage, TellsWhatEachStatisticRanksBy)
{
    const std::map<Statistic, std::string> meanings {
        {Statistic::Binomial,
            "binomial: classes ranked by E-value; P is the chance of the observed count or more, binomial over the "
            "family's windows</dd>"},
        {Statistic::Poisson,
            "poisson: classes ranked by E-value; P is the chance of the observed count or more, Poisson of mean the "
            "expected count</dd>"},
        {Statistic::Ratio, "ratio: classes ranked by observed / expected; P from the binomial</dd>"},
    };
    for (const auto& [statistic, meaning] : meanings) {
        AnalysisResult result = sampleResult();
        result.significance.statistic = statistic;
        EXPECT_NE(summaryPage(result, sampleDetails).find("<dt>Statistic</dt><dd>" + meaning), std::string::npos)
            << meaning;
    }
}

TEST(SummaryPage, HoldsItsStyleSheetAndScriptAsTheirFilesHaveThem)
{
    // Each asset file ends with one newline, which the page keeps before the closing tag.
    for (const std::string_view asset : {summaryCss, summaryJs}) {
        ASSERT_GT(asset.size(), 1u);
        EXPECT_TRUE(asset.ends_with('\n') && !asset.ends_with("\n\n")) << asset.substr(asset.size() - 2);
        EXPECT_FALSE(asset.starts_with('\n'));
    }
    const std::string page = summaryPage(sampleResult(), sampleDetails);
    EXPECT_NE(page.find("<style>\n" + std::string(summaryCss) + "</style>\n</head>\n"), std::string::npos);
    EXPECT_NE(page.find("<script>\n" + std::string(summaryJs) + "</script>\n</body>\n"), std::string::npos);
}

// With the family's sequences, each motif shows where its sites lie, bins in the order of
// their positions, and each listed class its positional P.
TEST(SummaryPage, SitesByPositionBesideEachMotifAndClass)
{
    AnalysisResult result = sampleResult();
    auto family = std::make_shared<FamilyProfile>();
    family->add("ACGCGTAAAA");
    result.family = family;
    result.significance.familySize = 1;
    PositionReport& positions = result.positions.emplace();
    positions.bins = {Anchor::End, 10, 3};
    positions.motifs = {{"assembled-1", {1, 4, 0}, {1.25, 2.5, 2.5}, 5, -2.5}};
    positions.classes = {{"ATCGATA", {0, 2, 1}, {0.5, 1.5, 1.0}, 3, -0.25}, {"ACGCGT", {0, 0, 0}, {0, 0, 0}, 0, 0.0}};
    const std::string page = summaryPage(result, sampleDetails);

    const std::size_t plot = page.find("<svg class=\"pos\"");
    ASSERT_NE(plot, std::string::npos);
    const std::string svg = page.substr(plot, page.find("</svg>", plot) - plot);
    EXPECT_NE(svg.find("aria-label=\"assembled-1 sites by position\""), std::string::npos);
    EXPECT_NE(svg.find("position from the sequences' end (bases)"), std::string::npos);
    // Two bars, the far bin (no site) leftmost and the anchor's bin last; the labels run
    // from -30 up to -10.
    std::vector<double> heights;
    for (std::size_t at = svg.find("<rect"); at != std::string::npos; at = svg.find("<rect", at + 1))
        heights.push_back(attribute(svg, at, "height"));
    ASSERT_EQ(heights.size(), 2u);
    EXPECT_NEAR(heights[0], 4 * heights[1], 1e-6);
    EXPECT_LT(svg.find("&minus;30"), svg.find("&minus;10"));
    EXPECT_NE(page.find("5 sites; most at &minus;20 to &minus;11 (4, 2.5 expected) &middot; positional P = "
                  "0.00316"),
        std::string::npos);

    const std::vector<std::string> rows = tableRows(page, "Significant word classes");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_NE(page.find("<th>Positional P</th>"), std::string::npos);
    EXPECT_NE(rows[0].find(">0.562</td>"), std::string::npos) << rows[0];
    EXPECT_NE(rows[1].find(">no sites</td>"), std::string::npos) << rows[1];
    EXPECT_EQ(summaryPage(sampleResult(), sampleDetails).find("Positional P"), std::string::npos);
}
