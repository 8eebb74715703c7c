#include "TestSupport.h"

#include "analysis/ScoreEngine.h"
#include "report/ReportWriter.h"
#include "report/ReportImages.h"
#include "report/ReportNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

/// No files beside the pages.
std::vector<ReportFile> noFiles()
{
    return {};
}

using Records = std::vector<std::pair<std::string, std::int64_t>>;

DTable tableOf(std::int64_t sequenceLength, const Records& records)
{
    DTable table;
    for (const auto& [word, count] : records)
        table.insertEntry(WordEntry(DString(word.c_str(), word.size()), count, -1, -1, -1));
    table.setSequenceLength(sequenceLength);
    return table;
}

/// The engine's lists as a result.
AnalysisResult resultOf(ScoreEngine& engine)
{
    AnalysisResult result;
    result.status = AnalysisStatus::Complete;
    result.candidates = engine.takeCandidates();
    result.background = engine.takeBackground();
    result.matrices = engine.takeMatrices();
    return result;
}

/// A result scored, ranked and refined from in-memory tables and gene lists.
AnalysisResult engineOf(const Records& big, const Records& small, const std::vector<std::vector<std::string>>& genes)
{
    ScoreEngine engine;
    engine.tabulate(tableOf(1000000, big), tableOf(1000, small));
    engine.sortCandidates();
    std::vector<std::vector<WordEntry>> lists;
    for (const auto& gene : genes) {
        lists.emplace_back();
        for (const std::string& word : gene)
            lists.back().push_back(WordEntry(DString(word.c_str())));
    }
    engine.refineCandidates(lists);
    return resultOf(engine);
}

/// Three candidates: GGGTTT is absent from the genome (Scores 0, 0, nan), CCCCCG is seen 20
/// times where 0.5 are expected (tiny probabilities), AAAAAC is the worked example. The three
/// gene lists make every matrix hold 1, 0, 1/3 or 2/3.
AnalysisResult goldenEngine()
{
    return engineOf({{"AAAAAC", 500}, {"CCCCCG", 500}}, {{"AAAAAC", 3}, {"CCCCCG", 20}, {"GGGTTT", 2}},
        {{"AAAAAC", "CCCCCG", "GGGTTT"}, {"AAAAAG", "CCCCCG", "GGGTTA"}, {"AAAAAT", "CCCCCC", "GGGTTT"}});
}

std::string sixLetterWord(int n)
{
    std::string word;
    for (int k = 0; k < 6; ++k, n /= 4)
        word.insert(word.begin(), "ACGT"[n % 4]);
    return word;
}

/// Twelve candidates, all in the genome at p = 0.001 and seen 2 to 13 times, so none ties.
AnalysisResult twelveCandidates()
{
    Records big, small;
    std::vector<std::string> gene;
    for (int i = 0; i < 12; ++i) {
        big.push_back({sixLetterWord(i * 37), 1000});
        small.push_back({sixLetterWord(i * 37), 2 + i});
        gene.push_back(sixLetterWord(i * 37));
    }
    return engineOf(big, small, {gene});
}

struct IndexRow {
    std::string rank, href, shown;
};

std::string between(const std::string& text, std::size_t& at, const std::string& open, const std::string& close)
{
    std::size_t start = text.find(open, at);
    if (start == std::string::npos) {
        at = text.size();
        return "<missing>";
    }
    start += open.size();
    std::size_t end = text.find(close, start);
    at = end;
    return text.substr(start, end - start);
}

std::vector<IndexRow> rowsOf(const std::string& index)
{
    std::vector<IndexRow> rows;
    for (std::size_t at = index.find("<tr>"); at != std::string::npos; at = index.find("<tr>", at)) {
        IndexRow row;
        row.rank = between(index, at, "<td width=\"9%\">", "</td>");
        row.href = between(index, at, "<a href=\"", "\">");
        row.shown = between(index, at, "\">", "</a>");
        rows.push_back(row);
    }
    return rows;
}

const std::set<std::string> imageNames = {"pageTop.jpg", "blue.png", "green.png", "red.png", "yellow.png"};

} // namespace

TEST(ReportWriter, PagesMatchTheGoldenFilesAndListTheCandidatesThereAre)
{
    AnalysisResult engine = goldenEngine();
    ASSERT_EQ(engine.candidates.size(), 3u);
    TempDir dir;
    RecordingFeedback console;
    ReportOutcome outcome = writeReport(engine, dir.path().string(), console, noFiles, 10);
    EXPECT_TRUE(outcome.ok());
    EXPECT_EQ(outcome.rowsListed, 3); // fewer than ten candidates: the three there are
    EXPECT_EQ(outcome.pagesWritten, 3);
    EXPECT_EQ(console.text(), "");
    EXPECT_TRUE(console.warnings.empty());

    const std::string index = readBytes(dir.file("output.html"));
    EXPECT_TRUE(matchesGolden("report/output.html", index));
    EXPECT_EQ(index.find_first_of("\r\n"), std::string::npos);
    std::set<std::string> expected = imageNames;
    expected.insert("output.html");
    for (const char* word : {"GGGTTT", "CCCCCG", "AAAAAC"}) {
        const std::string page = std::string(word) + ".html";
        expected.insert(page);
        EXPECT_TRUE(matchesGolden(std::string("report/").append(page), readBytes(dir.file(page))));
    }
    std::set<std::string> written;
    for (const auto& [name, bytes] : contents(dir.path()))
        written.insert(name);
    EXPECT_EQ(written, expected);
}

TEST(ReportWriter, TenRowsInRankOrderFromMoreCandidates)
{
    AnalysisResult engine = twelveCandidates();
    ASSERT_EQ(engine.candidates.size(), 12u);
    for (int rowCount : {10, 12}) { // only ten have matrices
        SCOPED_TRACE(rowCount);
        TempDir dir;
        RunFeedback console;
        ReportOutcome outcome = writeReport(engine, dir.path().string(), console, noFiles, rowCount);
        EXPECT_EQ(outcome.rowsListed, 10);
        EXPECT_EQ(outcome.pagesWritten, 10);
        std::vector<IndexRow> rows = rowsOf(readBytes(dir.file("output.html")));
        ASSERT_EQ(rows.size(), 10u);
        for (std::size_t i = 0; i < 10; ++i) {
            const std::string word(engine.candidates[i].word.view());
            EXPECT_EQ(rows[i].rank, std::to_string(i + 1));
            EXPECT_EQ(rows[i].href, word + ".html");
            EXPECT_EQ(rows[i].shown, word);
            EXPECT_NE(readBytes(dir.file(word + ".html")).find(std::string("\r\nSequence ").append(word).append("</b>\r\n")), std::string::npos);
        }
        for (std::size_t i = 10; i < 12; ++i)
            EXPECT_FALSE(fileExists(dir.file(std::string(engine.candidates[i].word.view()) + ".html")));
    }
}

TEST(ReportWriter, EmptyResultsWriteNothing)
{
    const Records big = {{"AAAAAC", 500}};
    const Records small = {{"AAAAAC", 3}, {"CCCCCC", 2}};
    const std::vector<std::vector<std::string>> genes = {{"AAAAAC"}};
    struct Case {
        const char* what;
        AnalysisResult engine;
    };
    ScoreEngine unrefinedEngine;
    unrefinedEngine.tabulate(tableOf(1000000, big), tableOf(1000, small));
    AnalysisResult unrefined = resultOf(unrefinedEngine);
    Case cases[] = {{"no candidates", engineOf(big, {}, genes)}, {"no background", engineOf({}, small, genes)},
        {"no matrices", unrefined}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        writeBytes(dir.file("output.html"), "an earlier report");
        writeBytes(dir.file("AAAAAC.html"), "an earlier page");
        const auto before = contents(dir.path());
        RecordingFeedback console;
        ReportOutcome outcome = writeReport(c.engine, dir.path().string(), console, noFiles, 10);
        EXPECT_FALSE(outcome.ok());
        EXPECT_EQ(outcome.pagesWritten, 0);
        EXPECT_FALSE(outcome.message.empty());
        EXPECT_EQ(contents(dir.path()), before);
        EXPECT_EQ(console.text(), "");
        EXPECT_TRUE(console.warnings.empty());
    }
}

TEST(ReportWriter, IndexPageThatCannotBeCreatedStillLeavesTheDetailPages)
{
    AnalysisResult engine = goldenEngine();
    TempDir dir;
    fs::create_directory(dir.path() / "output.html");
    RecordingFeedback console;
    ReportOutcome outcome = writeReport(engine, dir.path().string(), console, noFiles, 10);
    EXPECT_FALSE(outcome.ok());
    EXPECT_FALSE(outcome.message.empty());
    EXPECT_EQ(outcome.pagesWritten, 3);
    EXPECT_EQ(console.text(), "Error opening HTML output file\n");
    EXPECT_TRUE(console.warnings.empty());
    EXPECT_TRUE(fs::is_directory(dir.path() / "output.html"));
    for (const char* word : {"GGGTTT", "CCCCCG", "AAAAAC"}) {
        const std::string page = std::string(word) + ".html";
        EXPECT_TRUE(matchesGolden(std::string("report/").append(page), readBytes(dir.file(page))));
    }
}

TEST(ReportWriter, DetailPageThatCannotBeCreatedStopsTheRestAndLeavesNoIndex)
{
    AnalysisResult engine = twelveCandidates();
    TempDir dir;
    auto page = [&engine, &dir](std::size_t i) { return dir.file(pageFileName(engine.candidates[i].word.view())); };
    fs::create_directory(page(2));
    RecordingFeedback console;
    ReportOutcome outcome = writeReport(engine, dir.path().string(), console, noFiles, 10);
    // No index page leads to pages that are not there.
    EXPECT_FALSE(outcome.ok());
    EXPECT_FALSE(fileExists(dir.file("output.html")));
    EXPECT_NE(outcome.message.find(page(2)), std::string::npos) << outcome.message;
    EXPECT_EQ(outcome.pagesWritten, 2);
    EXPECT_EQ(console.text(), "Error opening HTML subpage output file\n");
    EXPECT_EQ(console.warnings, std::vector<std::string> {"Critical Error: Error opening HTML subpage output file"});
    EXPECT_TRUE(fileExists(page(0)));
    EXPECT_TRUE(fileExists(page(1)));
    EXPECT_TRUE(fs::is_empty(page(2)));
    for (std::size_t i = 3; i < 10; ++i)
        EXPECT_FALSE(fileExists(page(i))) << i;
}

TEST(ReportWriter, AReportFailingPartWayLeavesNoOlderIndexBesideItsPagesAndSaysSo)
{
    AnalysisResult engine = twelveCandidates();
    TempDir dir;
    writeBytes(dir.file("output.html"), "an earlier run's index");
    // A file beside the pages cannot be written: a folder stands under its name.
    fs::create_directory(dir.path() / "words.tsv");
    const auto beside = [] { return std::vector<ReportFile> {{"words.tsv", "rows"}}; };
    RecordingFeedback console;
    const ReportOutcome outcome = writeReport(engine, dir.path().string(), console, beside, 10);
    EXPECT_EQ(outcome.status, ReportStatus::Unwritable);
    EXPECT_TRUE(outcome.removedOldIndex);
    EXPECT_FALSE(fileExists(dir.file("output.html")));
    EXPECT_EQ(outcome.pagesWritten, 10);
    warnNoReport(outcome, dir.path().string(), console);
    ASSERT_FALSE(console.warnings.empty());
    EXPECT_NE(console.warnings.back().find("The folder holds " + std::to_string(outcome.written.size())
                  + " files of this run and no index page, an older one removed first."),
        std::string::npos) << console.warnings.back();

    // Nothing to report: nothing is written, and the older report stays whole.
    TempDir kept;
    writeBytes(kept.file("output.html"), "an earlier run's index");
    AnalysisResult empty;
    RecordingFeedback told;
    const ReportOutcome nothing = writeReport(empty, kept.path().string(), told, noFiles, 10);
    warnNoReport(nothing, kept.path().string(), told);
    EXPECT_EQ(readBytes(kept.file("output.html")), "an earlier run's index");
    EXPECT_NE(told.warnings.back().find("Nothing was written; an older report there is as it was."), std::string::npos)
        << told.warnings.back();
}

TEST(ReportWriter, UnsafeWordsStayInsideTheFolderUnderTheirMappedNames)
{
    const std::string longA(300, 'A');
    const std::string longC = std::string(299, 'A') + "C";
    struct Case {
        std::string word, page, shown;
    };
    const std::vector<Case> cases = {
        {"../evil", "_2E_2E_2Fevil.html", "../evil"},
        {"a\\b/c", "a_5Cb_2Fc.html", "a\\b/c"},
        {".hidden", "_2Ehidden.html", ".hidden"},
        {"<script>", "_3Cscript_3E.html", "&lt;script&gt;"},
        {"x\"y&\x01", "x_22y_26_01.html", "x&quot;y&amp;\x01"},
        {"\xC3\xA9t\xFF", "_C3_A9t_FF.html", "\xC3\xA9t\xFF"},
        {"a_b", "a_5Fb.html", "a_b"},
        {"ACGTTG", "ACGTTG.html", "ACGTTG"},
        {longA, "", longA},
        {longC, "", longC},
    };
    Records small;
    std::vector<std::string> gene;
    for (const Case& c : cases) {
        small.push_back({c.word, 2});
        gene.push_back(c.word);
    }
    AnalysisResult engine = engineOf({{"TTTTTT", 1}}, small, {gene});
    ASSERT_EQ(engine.candidates.size(), cases.size());

    TempDir dir;
    const fs::path folder = dir.path() / "report";
    fs::create_directory(folder);
    RunFeedback console;
    ReportOutcome outcome = writeReport(engine, folder.string(), console, noFiles, 10);
    EXPECT_EQ(outcome.pagesWritten, 10);
    const std::string index = readBytes((folder / "output.html").string());
    std::map<std::string, IndexRow> rowOfWord;
    std::vector<IndexRow> rows = rowsOf(index);
    ASSERT_EQ(rows.size(), cases.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        rowOfWord[std::string(engine.candidates[i].word.view())] = rows[i];

    std::set<std::string> expected = imageNames;
    expected.insert("output.html");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.word.substr(0, 20)));
        std::string name = c.page;
        if (name.empty()) {
            // Shortened: the first letters, then a hash that tells the two long words apart.
            name = pageFileName(c.word);
            EXPECT_EQ(name.size(), 205u);
            EXPECT_EQ(name.substr(0, 184), std::string(183, 'A') + "_");
            EXPECT_EQ(name.substr(200), ".html");
        }
        EXPECT_TRUE(expected.insert(name).second) << "two words share " << name;
        EXPECT_EQ(rowOfWord[c.word].href, name);
        EXPECT_EQ(rowOfWord[c.word].shown, c.shown);
        const std::string page = readBytes((folder / name).string());
        EXPECT_NE(page.find(std::string("\r\nSequence ").append(c.shown).append("</b>\r\n")), std::string::npos);
    }
    EXPECT_EQ(index.find("<script>"), std::string::npos);
    std::set<std::string> written;
    for (const auto& [name, bytes] : contents(folder))
        written.insert(name);
    EXPECT_EQ(written, expected);
    EXPECT_EQ(contents(dir.path()).size(), expected.size() + 1); // the folder itself and its files
}

TEST(ReportWriter, ImagesAreWrittenOnlyWhereMissing)
{
    const std::vector<ReportImage>& images = reportImages();
    std::set<std::string> names;
    for (const ReportImage& image : images) {
        names.insert(image.fileName);
        // The bytes shipped are real images, not empty or truncated embeddings.
        const std::string_view magic = std::string_view(image.fileName).ends_with(".png") ? "\x89PNG\r\n\x1a\n" : "\xFF\xD8\xFF";
        EXPECT_TRUE(image.bytes.starts_with(magic)) << image.fileName;
    }
    EXPECT_EQ(names, imageNames);

    AnalysisResult engine = goldenEngine();
    TempDir dir;
    writeBytes(dir.file("blue.png"), "the user's own blue");
    RunFeedback console;
    writeReport(engine, dir.path().string(), console, noFiles, 10);
    for (const ReportImage& image : images) {
        const std::string bytes = readBytes(dir.file(image.fileName));
        if (std::string_view(image.fileName) == "blue.png")
            EXPECT_EQ(bytes, "the user's own blue");
        else
            EXPECT_EQ(bytes, image.bytes) << image.fileName;
    }
}

TEST(ReportWriter, FilesBesideThePagesComeBeforeTheIndexAndAFailureLeavesNone)
{
    AnalysisResult engine = goldenEngine();
    TempDir dir;
    RunFeedback console;
    std::vector<std::string> writtenBefore;
    ReportOutcome outcome = writeReport(engine, dir.path().string(), console, [&] {
        // By now every page and image is there, and the index page is not.
        for (const auto& [name, bytes] : contents(dir.path()))
            writtenBefore.push_back(name);
        return std::vector<ReportFile> {{"one.tsv", "1"}, {"two.html", "2"}};
    });
    EXPECT_TRUE(outcome.ok());
    EXPECT_EQ(std::count(writtenBefore.begin(), writtenBefore.end(), "output.html"), 0);
    EXPECT_EQ(std::count(writtenBefore.begin(), writtenBefore.end(), "GGGTTT.html"), 1);
    EXPECT_EQ(readBytes(dir.file("two.html")), "2");

    TempDir full;
    fs::create_directory(full.path() / "two.html"); // a name taken by a folder, as a full disk would fail it
    outcome = writeReport(engine, full.path().string(), console,
        [] { return std::vector<ReportFile> {{"one.tsv", "1"}, {"two.html", "2"}}; });
    EXPECT_FALSE(outcome.ok());
    EXPECT_NE(outcome.message.find("two.html"), std::string::npos) << outcome.message;
    EXPECT_FALSE(fileExists(full.file("output.html")));
}

TEST(ReportWriter, LinksPlantedInTheFolderAreReplacedNeverFollowed)
{
    AnalysisResult engine = goldenEngine();
    TempDir dir, elsewhere;
    const std::string folder = (dir.path() / "report").string();
    fs::create_directory(folder);
    for (const char* name : {"output.html", "GGGTTT.html", "words.tsv"}) {
        writeBytes(elsewhere.file(name), "precious");
        fs::create_symlink(elsewhere.file(name), fs::path(folder) / name);
    }
    fs::create_symlink(elsewhere.file("missing.html"), fs::path(folder) / "CCCCCG.html"); // dangling
    RunFeedback console;
    ReportOutcome outcome
        = writeReport(engine, folder, console, [] { return std::vector<ReportFile> {{"words.tsv", "table"}}; });
    ASSERT_TRUE(outcome.ok()) << outcome.message;
    for (const char* name : {"output.html", "GGGTTT.html", "words.tsv"}) {
        EXPECT_EQ(readBytes(elsewhere.file(name)), "precious") << name;
        EXPECT_FALSE(fs::is_symlink(fs::path(folder) / name)) << name;
    }
    EXPECT_FALSE(fileExists(elsewhere.file("missing.html")));
    EXPECT_EQ(readBytes((fs::path(folder) / "words.tsv").string()), "table");
    EXPECT_EQ(contents(elsewhere.path()).size(), 3u); // its three files, nothing more
}
